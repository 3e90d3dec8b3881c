// SPDX-License-Identifier: GPL-3.0-or-later
// Creates controls of separately shipped control libraries by their ProgID, the way the program
// builds its window without linking any control class.
//
// A control whose ProgID is "Library.Class" lives in the shared library liblibrary.so (the part
// before the dot, in lower case), a Qt plugin whose root object implements IControlFactory. The
// library is looked for, in this order:
//   1. the per-user component registry (ControlRegistry::FilePath()), where the library's
//      DllRegisterServer recorded its path;
//   2. the folder of the program's executable (the build folder), then the private library
//      folder of an installed program (<prefix>/<libdir>/quillvault, reached from its bin folder);
//   3. QCoreApplication::libraryPaths() (the Qt plugin folders and any the program added).
// Libraries are loaded with QPluginLoader and stay loaded until the program ends.
//
// Typical use, from the GUI thread with a QApplication alive:
//   QString error;
//   QWidget* panel = CreateControl("Bevelpane.Panel", this, &error);
//   if (!panel) { /* error says what was missing and where it was looked for */ }
//   qobject_cast<IPersistPropertyBag*>(panel)->ReadProperties(bag);  // or InitProperties()
//   panel->setGeometry(...);
// Properties can then be set by name: panel->setProperty("BorderStyle", 3). A refused value
// raises a ControlError (ControlInterfaces.h) from setProperty.
#pragma once

#include <QString>
#include <QStringList>

#include "controls/ControlInterfaces.h"

class QWidget;

namespace ControlFramework {

// A new control parented to parent, or nullptr with *error set to a sentence naming the ProgID
// and every place that was searched.
QWidget* CreateControl(const QString& progId, QWidget* parent, QString* error = nullptr);

// The factory of the library serving a ProgID or class identity ("{...}"), loading it if needed.
// A class identity is found through the component registry only.
IControlFactory* GetClassObject(const QString& progIdOrClassId, QString* error = nullptr);

// The file GetClassObject takes the factory from; empty when none serves the name.
QString LocateLibrary(const QString& progIdOrClassId, QString* error = nullptr);

// Steps 2 and 3 of the search, in order, without duplicates.
QStringList SearchDirectories();

}  // namespace ControlFramework

using ControlFramework::CreateControl;
