#pragma once
// Waiting for the server without a frozen window: the windows keep painting while a request
// runs on its own thread; past half a second the status row shows that the program is busy,
// past two seconds a small window offers Cancel.

#include "app/RequestWaiter.h"

#include <QDialog>

#include <chrono>
#include <functional>

class QLabel;
class QPushButton;

namespace qb {

// The small "Waiting for the server..." window.
class CWaitingWindow : public QDialog {
    Q_OBJECT
public:
    explicit CWaitingWindow(QWidget* parent);
    QPushButton& CancelButton() { return *m_cancel; }

signals:
    void cancelRequested();

private:
    QLabel* m_text = nullptr;
    QPushButton* m_cancel = nullptr;
};

class CRequestWaiter : public IRequestWaiter {
public:
    void Wait(const std::function<bool()>& finished, std::atomic<bool>& cancel) override;

    // Called with true once a request has run for busyAfter, with false when it ends.
    std::function<void(bool busy)> onBusy;
    std::chrono::milliseconds busyAfter{500};
    std::chrono::milliseconds windowAfter{2000};
};

} // namespace qb
