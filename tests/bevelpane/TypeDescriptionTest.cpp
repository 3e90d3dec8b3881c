// SPDX-License-Identifier: GPL-3.0-or-later
// The type description must describe the Panel class that hosts actually get.
#include <gtest/gtest.h>

#include <QMetaEnum>
#include <QSet>

#include "Panel.h"
#include "TypeDescription.h"

using namespace Bevelpane;

TEST(TypeDescription, MembersEventsAndStylesAreThoseOfThePanelInOrder) {
    const QMetaObject& meta = Panel::staticMetaObject;
    QStringList described, actual;
    for (const MemberDescription& member : TypeLibrary().members) {
        if (member.kind == MemberKind::Method) {
            EXPECT_GE(meta.indexOfMethod(QByteArray(member.name) + "()"), 0) << member.name;
        } else if (!described.contains(member.name)) {
            described.append(member.name);
        }
    }
    for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i) actual.append(meta.property(i).name());
    EXPECT_EQ(described, actual);

    for (const EventDescription& event : TypeLibrary().events) {
        const QByteArray signature =
            QByteArray(event.name) + (*event.arguments ? "(qint32,qint32,float,float)" : "()");
        EXPECT_GE(meta.indexOfSignal(signature), 0) << signature.constData();
    }
    const QMetaEnum styles = QMetaEnum::fromType<PanelBorderStyle_Const>();
    ASSERT_EQ(int(TypeLibrary().enumerators.size()), styles.keyCount());
    for (const EnumeratorDescription& enumerator : TypeLibrary().enumerators) {
        EXPECT_EQ(styles.keyToValue(enumerator.name), enumerator.value) << enumerator.name;
    }
}

TEST(TypeDescription, FiveDistinctIdentitiesOfOneSeriesAsTheFactoryReportsThem) {
    const TypeLibraryDescription& library = TypeLibrary();
    const QUuid ids[] = {library.libraryId, library.interfaceId, library.classId, library.enumId,
                         library.eventsId};
    QSet<QUuid> distinct;
    for (const QUuid& id : ids) {
        distinct.insert(id);
        EXPECT_EQ(id.toString().mid(9), library.libraryId.toString().mid(9));  // all but the first group
    }
    EXPECT_EQ(distinct.size(), 5);
    const ControlClassInfo info = PanelClassInfo();
    EXPECT_EQ(info.progId, "Bevelpane.Panel");
    EXPECT_EQ(info.className, "Panel");
    EXPECT_EQ((QList<QUuid>{info.typeLibraryId, info.interfaceId, info.classId, info.eventsId}),
              (QList<QUuid>{library.libraryId, library.interfaceId, library.classId, library.eventsId}));
}
