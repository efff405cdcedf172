#pragma once
// Answers modal dialogs as they open: a test starts a dialog with a call or a key that
// only returns once the dialog is closed, so the answer comes from a timer inside the
// dialog's own event loop.

#include "editor/FindDlg.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

namespace qb::testing {

class ModalAnswer {
public:
    // Until this object goes, every modal dialog of type Dialog that opens is counted and
    // handed to `answer`, which must close it.
    template <typename Dialog>
    void Answer(std::function<void(Dialog&)> answer)
    {
        m_timer = std::make_unique<QTimer>();
        m_timer->setInterval(5);
        QObject::connect(m_timer.get(), &QTimer::timeout, [this, answer] {
            if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
                ++shown;
                answer(*dialog);
            }
        });
        m_timer->start();
    }

    int shown = 0; // dialogs answered

private:
    std::unique_ptr<QTimer> m_timer;
};

// The find dialog answered: the text it opened with is recorded, then it is confirmed
// (with a new text, or as it stands) or left with Escape.
struct FindDialogAnswer {
    enum class Action { Confirm, Escape };
    Action action = Action::Confirm;
    std::optional<QString> typed; // replaces the preset before OK

    QString preset; // the text the last dialog opened with
    int Shown() const { return m_modal.shown; }

    void Arm()
    {
        m_modal.Answer<CFindDlg>([this](CFindDlg& dialog) {
            preset = dialog.FindText();
            if (action == Action::Escape) {
                QTest::keyClick(&dialog.TextEdit(), Qt::Key_Escape);
                return;
            }
            if (typed)
                dialog.TextEdit().setText(*typed);
            QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
        });
    }

private:
    ModalAnswer m_modal;
};

} // namespace qb::testing
