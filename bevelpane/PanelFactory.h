// SPDX-License-Identifier: GPL-3.0-or-later
// The library's class factory and the root object of its Qt plugin.
#pragma once

#include <QObject>

#include "controls/ControlInterfaces.h"

namespace Bevelpane {

class PanelFactory : public QObject, public IControlFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID IControlFactory_iid)
    Q_INTERFACES(IControlFactory)

public:
    QList<ControlClassInfo> Classes() const override;
    QWidget* CreateInstance(const QString& progIdOrClassId, QWidget* parent) override;
    bool CanUnloadNow() const override;
};

}  // namespace Bevelpane
