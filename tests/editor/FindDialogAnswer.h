#pragma once
// Answers the find dialog the next time it opens: records the text it was preset with,
// then confirms it (with a new text, or as it stands) or presses Escape.

#include "editor/FindDlg.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <optional>

namespace qb::testing {

struct FindDialogAnswer {
    enum class Action { Confirm, Escape };
    Action action = Action::Confirm;
    std::optional<QString> typed; // replaces the preset before OK

    int shown = 0;   // how many find dialogs opened
    QString preset;  // the text the last one opened with

    // Watches for the dialog until it has been answered once.
    void Arm()
    {
        auto* timer = new QTimer;
        timer->setInterval(5);
        QObject::connect(timer, &QTimer::timeout, [this, timer] {
            auto* dialog = qobject_cast<CFindDlg*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            timer->stop();
            timer->deleteLater();
            ++shown;
            preset = dialog->FindText();
            if (action == Action::Escape) {
                QTest::keyClick(&dialog->TextEdit(), Qt::Key_Escape);
                return;
            }
            if (typed)
                dialog->TextEdit().setText(*typed);
            QTest::mouseClick(&dialog->OkButton(), Qt::LeftButton);
        });
        timer->start();
    }
};

} // namespace qb::testing
