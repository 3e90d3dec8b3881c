// SPDX-License-Identifier: GPL-3.0-or-later
// Creating panels by ProgID the way the program does: this executable does not link libbevelpane
// and finds it at run time, beside itself, in the installed private folder or through the
// component registry.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QLibrary>
#include <QPluginLoader>
#include <QSettings>
#include <QTemporaryDir>
#include <QWidget>
#include <memory>

#include "controls/ControlFramework.h"
#include "controls/ControlRegistry.h"

namespace {

using ServerFunction = std::int32_t (*)();
using GetClassObjectFunction = std::int32_t (*)(const char*, const char*, void**);

// Each test gets its own empty per-user registry.
class ControlLoading : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(configHome_.isValid());
        savedConfigHome_ = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome_.path()));
    }
    void TearDown() override { qputenv("XDG_CONFIG_HOME", savedConfigHome_); }

    // The library as the framework finds it, opened for its server functions.
    QLibrary& Server() {
        if (!server_) {
            QString error;
            const QString path = ControlFramework::LocateLibrary("Bevelpane.Panel", &error);
            EXPECT_FALSE(path.isEmpty()) << error.toStdString();
            server_ = std::make_unique<QLibrary>(path);
        }
        return *server_;
    }
    template <typename Function>
    Function Resolve(const char* name) {
        auto function = reinterpret_cast<Function>(Server().resolve(name));
        EXPECT_NE(function, nullptr) << name << ": " << Server().errorString().toStdString();
        return function;
    }

    QTemporaryDir configHome_;
    QByteArray savedConfigHome_;
    std::unique_ptr<QLibrary> server_;
};

}  // namespace

TEST_F(ControlLoading, PanelIsCreatedByProgIdFromTheLibraryBesideTheProgram) {
    QWidget window;
    QString error;
    QWidget* panel = CreateControl("Bevelpane.Panel", &window, &error);
    ASSERT_NE(panel, nullptr) << error.toStdString();
    EXPECT_EQ(panel->parentWidget(), &window);
    // Beside the program in the build folder; the installed-layout test names the private folder.
    const QString expectedFolder =
        qEnvironmentVariable("QV_EXPECTED_CONTROL_FOLDER", QCoreApplication::applicationDirPath());
    EXPECT_EQ(QFileInfo(ControlFramework::LocateLibrary("Bevelpane.Panel")).canonicalPath(),
              QFileInfo(expectedFolder).canonicalFilePath());

    // What the window does with it: load its saved form, then use it by property name.
    auto* persist = qobject_cast<IPersistPropertyBag*>(panel);
    ASSERT_NE(persist, nullptr);
    PropertyBag bag;
    bag.SetValue("borderstyle", 3);
    persist->ReadProperties(bag);
    EXPECT_EQ(panel->property("BorderStyle").toInt(), 3);
    EXPECT_EQ(panel->property("BackColor").toUInt(), 0x8000000Fu);

    try {
        panel->setProperty("BorderStyle", 5);
        ADD_FAILURE() << "5 was accepted";
    } catch (const ControlError& failure) {
        EXPECT_EQ(failure.Number(), 380);
    }
    PropertyBag saved;
    persist->WriteProperties(saved);
    EXPECT_EQ(saved.Keys(), QStringList{"BorderStyle"});
}

TEST_F(ControlLoading, MissingLibraryIsAClearErrorNamingTheFileAndTheFolders) {
    QWidget window;
    QString error;
    EXPECT_EQ(CreateControl("Nowhere.Panel", &window, &error), nullptr);
    EXPECT_TRUE(error.contains("cannot be found")) << error.toStdString();
    EXPECT_TRUE(error.contains("\"Nowhere.Panel\"")) << error.toStdString();
    EXPECT_TRUE(error.contains("libnowhere.so")) << error.toStdString();
    EXPECT_TRUE(error.contains(QCoreApplication::applicationDirPath())) << error.toStdString();
    EXPECT_TRUE(window.children().isEmpty());
}

TEST_F(ControlLoading, UnknownClassOfAnExistingLibraryIsRefused) {
    QString error;
    EXPECT_EQ(CreateControl("Bevelpane.Gadget", nullptr, &error), nullptr);
    EXPECT_TRUE(error.contains("does not provide \"Bevelpane.Gadget\"")) << error.toStdString();
    EXPECT_EQ(CreateControl("", nullptr, &error), nullptr);
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(ControlLoading, RegisteredLibraryThatWasDeletedIsNamedInTheError) {
    QSettings registry(ControlRegistry::FilePath(), QSettings::IniFormat);
    registry.setValue("Ghost.Panel/Library", "/nonexistent/libghost.so.1");
    registry.sync();
    QString error;
    EXPECT_EQ(CreateControl("Ghost.Panel", nullptr, &error), nullptr);
    EXPECT_TRUE(error.contains("/nonexistent/libghost.so.1, which does not exist")) << error.toStdString();
    EXPECT_TRUE(error.contains("libghost.so ")) << error.toStdString();
}

TEST_F(ControlLoading, RegisterServerRecordsTheLibraryAndUnregisterRemovesIt) {
    const QString libraryPath = Server().fileName();
    ASSERT_EQ(Resolve<ServerFunction>("DllRegisterServer")(), ServerResult::Ok);

    const auto entry = ControlRegistry::Find("Bevelpane.Panel");
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(QFileInfo(entry->libraryPath).canonicalFilePath(), QFileInfo(libraryPath).canonicalFilePath());
    EXPECT_EQ(entry->className, "Panel");

    // The class identity now leads to the library too.
    QString error;
    IControlFactory* factory = ControlFramework::GetClassObject(entry->classId.toString(), &error);
    ASSERT_NE(factory, nullptr) << error.toStdString();
    EXPECT_EQ(factory->Classes().first().progId, "Bevelpane.Panel");
    EXPECT_EQ(ControlFramework::LocateLibrary("Bevelpane.Panel"), entry->libraryPath);

    ASSERT_EQ(Resolve<ServerFunction>("DllUnregisterServer")(), ServerResult::Ok);
    EXPECT_FALSE(ControlRegistry::Find("Bevelpane.Panel").has_value());
    EXPECT_EQ(ControlFramework::GetClassObject(entry->classId.toString(), &error), nullptr);
    EXPECT_TRUE(error.contains("not in the component registry")) << error.toStdString();
}

TEST_F(ControlLoading, GetClassObjectHandsOutThePluginsFactoryForTheClassOnly) {
    QPluginLoader loader(Server().fileName());
    auto* pluginFactory = qobject_cast<IControlFactory*>(loader.instance());
    ASSERT_NE(pluginFactory, nullptr) << loader.errorString().toStdString();
    const QByteArray classId = pluginFactory->Classes().first().classId.toByteArray();

    auto getClassObject = Resolve<GetClassObjectFunction>("DllGetClassObject");
    void* object = nullptr;
    EXPECT_EQ(getClassObject(classId.constData(), IControlFactory_iid, &object), ServerResult::Ok);
    EXPECT_EQ(static_cast<IControlFactory*>(object), pluginFactory);

    const QByteArray otherClass = QUuid::createUuid().toByteArray();
    EXPECT_EQ(getClassObject(otherClass.constData(), IControlFactory_iid, &object),
              ServerResult::ClassNotAvailable);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(getClassObject(classId.constData(), "some.other.Interface/1.0", &object),
              ServerResult::NoInterface);
    EXPECT_EQ(getClassObject(classId.constData(), nullptr, nullptr), ServerResult::NullPointer);
}

TEST_F(ControlLoading, CanUnloadOnlyWhileNoPanelLives) {
    auto canUnloadNow = Resolve<ServerFunction>("DllCanUnloadNow");
    ASSERT_EQ(canUnloadNow(), ServerResult::Ok);
    QWidget* first = CreateControl("Bevelpane.Panel", nullptr);
    QWidget* second = CreateControl("bevelpane.PANEL", nullptr);  // ProgIDs ignore case
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(canUnloadNow(), ServerResult::False);
    delete first;
    EXPECT_EQ(canUnloadNow(), ServerResult::False);
    delete second;
    EXPECT_EQ(canUnloadNow(), ServerResult::Ok);
}
