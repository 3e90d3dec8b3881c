// SPDX-License-Identifier: GPL-3.0-or-later
// The library's type description as data: identities, names, member order, DISPIDs and help
// strings, fixed from one build to the next because hosts record the identities.
#pragma once

#include <QUuid>
#include <span>

#include "bevelpane_export.h"
#include "controls/ControlInterfaces.h"

namespace Bevelpane {

enum class MemberKind { PropertyGet, PropertyPut, PropertyPutRef, Method };

// One slot of the default interface; slots are numbered from 1 in the order of the span.
struct MemberDescription {
    const char* name;
    MemberKind kind;
    const char* type;  // of the property, empty for the method
    qint32 dispId;
    const char* helpString;  // UTF-8, empty when the member has none
};

struct EventDescription {
    qint32 dispId;
    const char* name;
    const char* arguments;  // passed by value, in this order
};

struct EnumeratorDescription {
    const char* name;
    qint32 value;
};

struct TypeLibraryDescription {
    const char* name;
    quint16 majorVersion;
    quint16 minorVersion;
    quint32 localeId;
    const char* helpString;
    const char* fileVersion;
    QUuid libraryId;

    const char* progId;
    const char* className;
    QUuid classId;
    const char* interfaceName;
    QUuid interfaceId;
    const char* eventsName;
    QUuid eventsId;
    const char* enumName;
    QUuid enumId;
    // Of the class, both interfaces and the enumeration.
    const char* typeHelpString;

    std::span<const MemberDescription> members;
    std::span<const EventDescription> events;
    std::span<const EnumeratorDescription> enumerators;
};

BEVELPANE_EXPORT const TypeLibraryDescription& TypeLibrary();

// The Panel class as the control framework knows it.
BEVELPANE_EXPORT ControlClassInfo PanelClassInfo();

}  // namespace Bevelpane
