// The type description must describe the Panel class that hosts actually get.
#include "Panel.h"
#include "TypeDescription.h"

#include <QMetaEnum>
#include <QSet>
#include <QStringDecoder>

#include <gtest/gtest.h>

using namespace Bevelpane;

TEST(TypeDescription, PropertiesAreThoseOfThePanelInTheSameOrder) {
    QStringList described;
    for (const MemberDescription& member : TypeLibrary().members) {
        if (member.kind != MemberKind::Method && !described.contains(member.name)) described.append(member.name);
    }
    const QMetaObject& meta = Panel::staticMetaObject;
    QStringList actual;
    for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i) actual.append(meta.property(i).name());
    EXPECT_EQ(described, actual);
    for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i) {
        EXPECT_TRUE(meta.property(i).isWritable()) << meta.property(i).name();
    }
}

TEST(TypeDescription, MethodAndEventsExistOnThePanelWithTheirArguments) {
    const QMetaObject& meta = Panel::staticMetaObject;
    for (const MemberDescription& member : TypeLibrary().members) {
        if (member.kind == MemberKind::Method) {
            EXPECT_GE(meta.indexOfMethod(QByteArray(member.name) + "()"), 0) << member.name;
        }
    }
    for (const EventDescription& event : TypeLibrary().events) {
        const bool mouse = *event.arguments != '\0';
        const QByteArray signature =
            QByteArray(event.name) + (mouse ? "(qint32,qint32,float,float)" : "()");
        const int index = meta.indexOfSignal(QMetaObject::normalizedSignature(signature));
        EXPECT_GE(index, 0) << signature.constData();
    }
}

TEST(TypeDescription, EnumerationMatchesTheBorderStyles) {
    const QMetaEnum styles = QMetaEnum::fromType<PanelBorderStyle_Const>();
    ASSERT_EQ(int(TypeLibrary().enumerators.size()), styles.keyCount());
    for (const EnumeratorDescription& enumerator : TypeLibrary().enumerators) {
        EXPECT_EQ(styles.keyToValue(enumerator.name), enumerator.value) << enumerator.name;
    }
}

TEST(TypeDescription, FiveIdentitiesOfOneSeriesAndTheClassInfoAgrees) {
    const TypeLibraryDescription& library = TypeLibrary();
    const QUuid ids[] = {library.libraryId, library.interfaceId, library.classId, library.enumId,
                         library.eventsId};
    QSet<QUuid> distinct;
    for (const QUuid& id : ids) {
        EXPECT_FALSE(id.isNull());
        distinct.insert(id);
        // Same series: everything after the first group is shared.
        EXPECT_EQ(id.toString().mid(9), library.libraryId.toString().mid(9));
    }
    EXPECT_EQ(distinct.size(), 5);

    const ControlClassInfo info = PanelClassInfo();
    EXPECT_EQ(info.progId, QStringLiteral("Bevelpane.Panel"));
    EXPECT_EQ(info.className, QStringLiteral("Panel"));
    EXPECT_EQ(info.classId, library.classId);
    EXPECT_EQ(info.interfaceId, library.interfaceId);
    EXPECT_EQ(info.eventsId, library.eventsId);
    EXPECT_EQ(info.typeLibraryId, library.libraryId);
}

TEST(TypeDescription, HelpStringsAreValidUtf8) {
    for (const MemberDescription& member : TypeLibrary().members) {
        QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = decode(QByteArray(member.helpString));
        EXPECT_FALSE(decode.hasError()) << member.name;
        if (!text.isEmpty()) {
            EXPECT_TRUE(text.startsWith(QStringLiteral("Устанавливает/возвращает "))) << member.name;
        }
    }
}
