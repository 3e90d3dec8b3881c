// SPDX-License-Identifier: GPL-3.0-or-later
// The window as it was designed: each control's kind, caption and place in
// twips within its parent's client area. The window is built from this table,
// and its font is chosen so that every caption fits the room given here.
#pragma once

#include <string_view>

namespace qv {

enum class ControlKind { Label, TextBox, Button, Frame, CheckBox, Panel };

struct ControlDesign {
    std::string_view name;
    ControlKind kind;
    std::string_view caption;
    int left, top, width, height;
};

inline constexpr int kClientWidth = 4575;  // twips
inline constexpr int kClientHeight = 5355;

// clang-format off
inline constexpr ControlDesign kDesign[] = {
    {"lblTag(0)",                ControlKind::Label,    "Group:",                                    180,  180, 555,  210},
    {"txtGroup",                 ControlKind::TextBox,  "",                                          900,  120, 3075, 315},
    {"cmdGroupAddressHistory",   ControlKind::Button,   "H!",                                        4020, 120, 375,  315},
    {"fraAuth",                  ControlKind::Frame,    " Authorization (optional) ",                120,  540, 4335, 1515},
    {"lblTag(2)",                ControlKind::Label,    "E-Mail:",                                   240,  420, 510,  210},
    {"txtEMail",                 ControlKind::TextBox,  "",                                          1200, 360, 2475, 315},
    {"lblTag(3)",                ControlKind::Label,    "Password:",                                 240,  780, 825,  210},
    {"txtPassword",              ControlKind::TextBox,  "",                                          1200, 720, 2475, 315},
    {"cmdEMailHistory",          ControlKind::Button,   "H!",                                        3720, 360, 375,  315},
    {"chkAnonymous",             ControlKind::CheckBox, "Anonymous access",                          1200, 1140, 2055, 210},
    {"fraAuth2",                 ControlKind::Frame,    " For password protected blogs ",            120,  2160, 4335, 915},
    {"lblTag(1)",                ControlKind::Label,    "Password:",                                 240,  420, 825,  210},
    {"txtPassword2",             ControlKind::TextBox,  "",                                          1200, 360, 2475, 315},
    {"fraMiscOptions",           ControlKind::Frame,    " Misc options ",                            120,  3180, 4335, 1455},
    {"chkAddDateTimeToFileName", ControlKind::CheckBox, "Add date and time to file name",            180,  360, 2955, 255},
    {"chkApplyNTFSCompression",  ControlKind::CheckBox, "Apply NTFS compression for saved XML file", 180,  660, 3915, 315},
    {"chkIncrementalBackup",     ControlKind::CheckBox, "Incremental backup",                        180,  1020, 1935, 315},
    {"cmdProxySetup",            ControlKind::Button,   "Proxy...",                                  180,  4800, 1095, 435},
    {"cmdStart",                 ControlKind::Button,   "Start!",                                    1860, 4800, 1215, 435},
    {"cmdCancel",                ControlKind::Button,   "Exit",                                      3180, 4800, 1215, 435},
    // Moved to the centre of the window at load.
    {"pnlProgress",              ControlKind::Panel,    "",                                          480,  240, 3075, 915},
    {"pnlProgressInner",         ControlKind::Panel,    "",                                          120,  120, 2835, 675},
    {"lblTag(5)",                ControlKind::Label,    "",                                          120,  120, 2595, 495},
};
// clang-format on

// The design of `name`; the names are fixed, so an unknown one is a programming error.
const ControlDesign& Designed(std::string_view name);

// Whole pixels for a length in twips on a screen of this many dots per inch.
int TwipsToPixels(int twips, double dotsPerInch);

}  // namespace qv
