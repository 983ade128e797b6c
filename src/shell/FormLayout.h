// SPDX-License-Identifier: MIT
// The main window's fixed layout: every placed control with its kind, its
// text at creation, and its place in twips from the client area's top-left
// corner, in tab-index order. Form1 builds its controls from this table; the
// layout never changes at run time.
#pragma once

#include <QString>
#include <array>

#include "ShellText.h"
#include "reachability/PingText.h"

namespace FormLayout {

inline constexpr int ClientWidth = 4920;
inline constexpr int ClientHeight = 6600;

enum class Kind {
    TextBox,   // single line
    OutputBox, // multi-line, both scroll bars
    Button,
    CheckBox,
    Label,
    Display, // a label with a border and centred text, hidden at creation
};

struct Control {
    const char* name;
    Kind kind;
    const QString* text;
    int left;
    int top;
    int width;
    int height;
};

inline const QString Empty;

inline const std::array<Control, 18> Controls{{
    {"txtPing", Kind::TextBox, &ShellText::DefaultPingIP, 1680, 120, 1455, 285},
    {"txtInterval", Kind::TextBox, &ShellText::DefaultPingInterval, 1680, 480, 1455, 285},
    {"txtUser", Kind::TextBox, &ShellText::DefaultRouterUsername, 1680, 960, 1575, 285},
    {"txtPass", Kind::TextBox, &ShellText::DefaultRouterPassword, 1680, 1320, 1575, 285},
    {"txtRouter", Kind::TextBox, &ShellText::DefaultRouterIP, 1680, 1680, 1575, 285},
    {"cmdToggle", Kind::Button, &PingText::StartPinging, 3360, 120, 1455, 375},
    {"cmdSendToTray", Kind::Button, &ShellText::SendToTray, 3360, 6120, 1455, 375},
    {"txtOut", Kind::OutputBox, &Empty, 120, 2400, 4695, 3615},
    {"lblGen_0", Kind::Label, &ShellText::LabelPingIP, 120, 120, 1215, 255},
    {"lblGen_1", Kind::Label, &ShellText::LabelInterval, 120, 480, 1455, 255},
    {"lblGen_2", Kind::Label, &ShellText::LabelUsername, 120, 960, 1455, 255},
    {"lblGen_3", Kind::Label, &ShellText::LabelPassword, 120, 1320, 1455, 255},
    {"lblGen_4", Kind::Label, &ShellText::LabelRouterIP, 120, 1680, 1215, 255},
    {"lblPing", Kind::Display, &Empty, 3360, 960, 1455, 255},
    {"lblCount", Kind::Display, &ShellText::CountZero, 3360, 600, 1455, 375},
    {"chkStats", Kind::CheckBox, &ShellText::StatsCheckCaption, 120, 2040, 2295, 255},
    {"txtStats", Kind::TextBox, &ShellText::DefaultStatsCheckInterval, 3960, 2040, 855, 285},
    {"lblGen_5", Kind::Label, &ShellText::LabelStatsInterval, 2640, 2055, 1335, 255},
}};

} // namespace FormLayout
