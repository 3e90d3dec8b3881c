// SPDX-License-Identifier: GPL-3.0-or-later
#include "TypeDescription.h"

namespace Bevelpane {
namespace {

// One series: only the last digit of the first group differs.
constexpr QUuid kLibraryId{0x2ef718a0, 0xadfe, 0x4e4f, 0x8f, 0x93, 0x8d, 0x82, 0x95, 0x76, 0x4d, 0xaa};
constexpr QUuid kInterfaceId{0x2ef718a1, 0xadfe, 0x4e4f, 0x8f, 0x93, 0x8d, 0x82, 0x95, 0x76, 0x4d, 0xaa};
constexpr QUuid kClassId{0x2ef718a2, 0xadfe, 0x4e4f, 0x8f, 0x93, 0x8d, 0x82, 0x95, 0x76, 0x4d, 0xaa};
constexpr QUuid kEnumId{0x2ef718a3, 0xadfe, 0x4e4f, 0x8f, 0x93, 0x8d, 0x82, 0x95, 0x76, 0x4d, 0xaa};
constexpr QUuid kEventsId{0x2ef718a4, 0xadfe, 0x4e4f, 0x8f, 0x93, 0x8d, 0x82, 0x95, 0x76, 0x4d, 0xaa};

constexpr const char* kBorderStyleHelp = "Устанавливает/возвращает цвет тип бордюрчика";
constexpr const char* kFlatShadowHelp = "Устанавливает/возвращает цвет плоской тени";
constexpr const char* kFlatFrameHelp = "Устанавливает/возвращает цвет плоской рамки";
constexpr const char* kLight3DHelp = "Устанавливает/возвращает цвет 3D светлого участка";
constexpr const char* kHighlight3DHelp = "Устанавливает/возвращает яркий цвет 3D светлого участка";
constexpr const char* kShadow3DHelp = "Устанавливает/возвращает цвет 3D тени";
constexpr const char* kDarkShadow3DHelp = "Устанавливает/возвращает тёмный цвет 3D тени";

constexpr const char* kColour = "OLE_COLOR";
constexpr const char* kPicture = "picture";
constexpr auto Get = MemberKind::PropertyGet;
constexpr auto Put = MemberKind::PropertyPut;

// The put of BorderStyle comes before its get; every other property has get before put.
constexpr MemberDescription kMembers[] = {
    {"BorderStyle", Put, "PanelBorderStyle_Const", 0x6803000A, kBorderStyleHelp},
    {"BorderStyle", Get, "PanelBorderStyle_Const", 0x6803000A, kBorderStyleHelp},
    {"BackColor", Get, kColour, 0x68030009, ""},
    {"BackColor", Put, kColour, 0x68030009, ""},
    {"AmbientBackColor", Get, kColour, 0x68030008, ""},
    {"AmbientBackColor", Put, kColour, 0x68030008, ""},
    {"FlatShadowColor", Get, kColour, 0x68030007, kFlatShadowHelp},
    {"FlatShadowColor", Put, kColour, 0x68030007, kFlatShadowHelp},
    {"FlatFrameColor", Get, kColour, 0x68030006, kFlatFrameHelp},
    {"FlatFrameColor", Put, kColour, 0x68030006, kFlatFrameHelp},
    {"Light3DColor", Get, kColour, 0x68030005, kLight3DHelp},
    {"Light3DColor", Put, kColour, 0x68030005, kLight3DHelp},
    {"Highlight3DColor", Get, kColour, 0x68030004, kHighlight3DHelp},
    {"Highlight3DColor", Put, kColour, 0x68030004, kHighlight3DHelp},
    {"Shadow3DColor", Get, kColour, 0x68030003, kShadow3DHelp},
    {"Shadow3DColor", Put, kColour, 0x68030003, kShadow3DHelp},
    {"DarkShadow3DColor", Get, kColour, 0x68030002, kDarkShadow3DHelp},
    {"DarkShadow3DColor", Put, kColour, 0x68030002, kDarkShadow3DHelp},
    {"MouseIcon", Get, kPicture, 0x68030001, ""},
    {"MouseIcon", MemberKind::PropertyPutRef, kPicture, 0x68030001, ""},
    {"MouseIcon", Put, kPicture, 0x68030001, ""},
    {"MousePointer", Get, "mouse-pointer code (32-bit)", 0x68030000, ""},
    {"MousePointer", Put, "mouse-pointer code (32-bit)", 0x68030000, ""},
    {"Refresh", MemberKind::Method, "", 0x60030012, ""},
};

constexpr const char* kMouseArguments =
    "Button: 32-bit integer, Shift: 32-bit shift state, X: float, Y: float";
constexpr EventDescription kEvents[] = {
    {1, "Click", ""},
    {2, "DblClick", ""},
    {3, "MouseDown", kMouseArguments},
    {4, "MouseMove", kMouseArguments},
    {5, "MouseUp", kMouseArguments},
};

constexpr EnumeratorDescription kEnumerators[] = {
    {"pbsNone", 0}, {"pbsFlat", 1}, {"pbsFlatShadow", 2}, {"pbs3DInset", 3}, {"pbs3DRaised", 4},
};

constexpr TypeLibraryDescription kTypeLibrary{
    .name = "Bevelpane",
    .majorVersion = 1,
    .minorVersion = 0,
    .localeId = 0x409,
    .helpString = "Corvane - Bevelpane 1.00",
    .fileVersion = "1.0.0.4",
    .libraryId = kLibraryId,
    .progId = "Bevelpane.Panel",
    .className = "Panel",
    .classId = kClassId,
    .interfaceName = "_Panel",
    .interfaceId = kInterfaceId,
    .eventsName = "__Panel",
    .eventsId = kEventsId,
    .enumName = "PanelBorderStyle_Const",
    .enumId = kEnumId,
    .typeHelpString = "Bevelpane",
    .members = kMembers,
    .events = kEvents,
    .enumerators = kEnumerators,
};

}  // namespace

const TypeLibraryDescription& TypeLibrary() { return kTypeLibrary; }

ControlClassInfo PanelClassInfo() {
    return ControlClassInfo{QString::fromLatin1(kTypeLibrary.progId),
                            QString::fromLatin1(kTypeLibrary.className),
                            kClassId,
                            kInterfaceId,
                            kEventsId,
                            kLibraryId};
}

}  // namespace Bevelpane
