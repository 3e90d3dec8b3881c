// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/ControlFramework.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPluginLoader>
#include <QSet>
#include <QWidget>

#include "controls/ControlRegistry.h"

namespace ControlFramework {
namespace {

struct Resolved {
    IControlFactory* factory = nullptr;
    QString libraryPath;
};

// The library file name a ProgID points to when the registry does not name one.
QString LibraryBaseName(const QString& progId) {
    const QString library = progId.section(u'.', 0, 0).trimmed();
    if (library.isEmpty() || !QUuid(progId).isNull()) return {};
    return QStringLiteral("lib") + library.toLower() + QStringLiteral(".so");
}

// Loads one candidate; on failure appends the reason to notes and returns nullptr.
IControlFactory* FactoryServing(const QString& path, const QString& progIdOrClassId, QStringList* notes) {
    QPluginLoader loader(path);
    QObject* root = loader.instance();
    if (!root) {
        notes->append(QStringLiteral("%1 cannot be loaded (%2)").arg(path, loader.errorString()));
        return nullptr;
    }
    auto* factory = qobject_cast<IControlFactory*>(root);
    if (!factory) {
        notes->append(QStringLiteral("%1 is not a control library").arg(path));
        return nullptr;
    }
    for (const ControlClassInfo& cls : factory->Classes()) {
        if (cls.IsNamedBy(progIdOrClassId)) return factory;
    }
    notes->append(QStringLiteral("%1 does not provide \"%2\"").arg(path, progIdOrClassId));
    return nullptr;
}

// Shortest name first, so the development link is tried before versioned files.
QStringList CandidatesIn(const QString& directory, const QString& baseName) {
    const QDir dir(directory);
    const QStringList names =
        dir.entryList({baseName, baseName + QStringLiteral(".*")}, QDir::Files | QDir::Readable, QDir::Name);
    QStringList paths;
    for (const QString& name : names) paths.append(dir.filePath(name));
    return paths;
}

Resolved Resolve(const QString& progIdOrClassId, QString* error) {
    auto fail = [error](const QString& text) {
        if (error) *error = text;
        return Resolved{};
    };
    const QString name = progIdOrClassId.trimmed();
    if (name.isEmpty()) return fail(QStringLiteral("No control name was given."));

    QStringList notes;    // why each place looked at did not serve
    QSet<QString> tried;  // canonical paths, as the versioned names are links to one file
    const auto entry = ControlRegistry::Find(name);
    if (entry) {
        if (QFileInfo::exists(entry->libraryPath)) {
            tried.insert(QFileInfo(entry->libraryPath).canonicalFilePath());
            if (IControlFactory* factory = FactoryServing(entry->libraryPath, name, &notes)) {
                return Resolved{factory, entry->libraryPath};
            }
        } else {
            notes.append(QStringLiteral("the component registry names %1, which does not exist")
                             .arg(entry->libraryPath));
        }
    }

    const QString baseName = LibraryBaseName(name);
    if (baseName.isEmpty()) {  // a class identity leads nowhere but through the registry
        if (!entry) {
            return fail(QStringLiteral("The control class %1 is not in the component registry (%2).")
                            .arg(name, ControlRegistry::FilePath()));
        }
        return fail(QStringLiteral("The control class %1 cannot be created: %2.")
                        .arg(name, notes.join(QStringLiteral("; "))));
    }

    const QStringList directories = SearchDirectories();
    for (const QString& directory : directories) {
        for (const QString& path : CandidatesIn(directory, baseName)) {
            const QString canonical = QFileInfo(path).canonicalFilePath();
            if (tried.contains(canonical)) continue;
            tried.insert(canonical);
            if (IControlFactory* factory = FactoryServing(path, name, &notes)) return Resolved{factory, path};
        }
    }

    QString text;
    if (tried.isEmpty()) {
        const QString registryFile = ControlRegistry::FilePath();
        const QString registry =
            entry ? QStringLiteral("the component registry (%1) names %2, which does not exist")
                        .arg(registryFile, entry->libraryPath)
                  : QStringLiteral("it is not in the component registry (%1)").arg(registryFile);
        text =
            QStringLiteral("The library of the control \"%1\" cannot be found: %2, and %3 is in none of %4")
                .arg(name, registry, baseName, directories.join(QStringLiteral(", ")));
    } else {
        text = QStringLiteral("The control \"%1\" cannot be created: %2")
                   .arg(name, notes.join(QStringLiteral("; ")));
    }
    return fail(text + u'.');
}

}  // namespace

QStringList SearchDirectories() {
    QStringList directories;
    auto add = [&directories](const QString& path) {
        if (path.isEmpty()) return;
        const QString clean = QDir::cleanPath(QDir(path).absolutePath());
        if (!directories.contains(clean)) directories.append(clean);
    };
    const QString programDir = QCoreApplication::applicationDirPath();
    add(programDir);
    if (!programDir.isEmpty()) add(programDir + QStringLiteral("/" QV_CONTROLS_LIBDIR_FROM_BINDIR));
    for (const QString& path : QCoreApplication::libraryPaths()) add(path);
    return directories;
}

IControlFactory* GetClassObject(const QString& progIdOrClassId, QString* error) {
    return Resolve(progIdOrClassId, error).factory;
}

QString LocateLibrary(const QString& progIdOrClassId, QString* error) {
    return Resolve(progIdOrClassId, error).libraryPath;
}

QWidget* CreateControl(const QString& progId, QWidget* parent, QString* error) {
    const Resolved resolved = Resolve(progId, error);
    if (!resolved.factory) return nullptr;
    QWidget* control = resolved.factory->CreateInstance(progId.trimmed(), parent);
    if (!control && error) {
        *error = QStringLiteral("The control \"%1\" cannot be created: %2 refused to create it.")
                     .arg(progId.trimmed(), resolved.libraryPath);
    }
    return control;
}

}  // namespace ControlFramework
