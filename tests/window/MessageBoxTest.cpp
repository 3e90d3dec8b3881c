// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "widgets/QtMessagePresenter.h"

namespace qv {
namespace {

// Shows a real box and presses the button with `caption` once it is on screen.
int Press(const MessageBoxRequest& request, const QString& caption, QStringList& captionsSeen, QMessageBox::Icon& icon) {
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        icon = box->icon();
        for (QAbstractButton* button : box->buttons()) captionsSeen << button->text().remove('&');
        for (QAbstractButton* button : box->buttons())
            if (button->text().remove('&') == caption) button->click();
    });
    return QtMessagePresenter().Show(request);
}

TEST(MessageBoxes, StylesGiveTheirButtonsAndIconAndTheAnswerIsThePressedButtonsNumber) {
    const struct {
        int style;
        QString press;
        int answer;
        QMessageBox::Icon icon;
        QStringList buttons;
    } cases[] = {
        {mbRetryCancel + mbCritical, "Retry", mrRetry, QMessageBox::Critical, {"Retry", "Cancel"}},
        {mbAbortRetryIgnore + mbCritical, "Ignore", mrIgnore, QMessageBox::Critical, {"Abort", "Retry", "Ignore"}},
        {mbOKCancel + mbExclamation, "Cancel", mrCancel, QMessageBox::Warning, {"OK", "Cancel"}},
        {mbInformation, "OK", mrOK, QMessageBox::Information, {"OK"}},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.style);
        QStringList seen;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        EXPECT_EQ(Press({"line one\r\nline two", each.style, "Corvane - Quillvault"}, each.press, seen, icon), each.answer);
        EXPECT_EQ(icon, each.icon);
        seen.sort();
        QStringList expected = each.buttons;
        expected.sort();
        EXPECT_EQ(seen, expected);
    }
}

}  // namespace
}  // namespace qv
