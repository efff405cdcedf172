#include "RequestWaiter.h"

#include "ui/ProgramName.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <memory>

namespace qb {

CWaitingWindow::CWaitingWindow(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("waitingWindow"));
    setWindowTitle(QString::fromLatin1(kProgramName));
    // Only Cancel ends the wait: the request's own end closes the window.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setWindowModality(Qt::ApplicationModal);
    m_text = new QLabel(tr("Waiting for the server..."), this);
    m_text->setObjectName(QStringLiteral("waitingText"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    m_cancel = buttons->button(QDialogButtonBox::Cancel);
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        m_cancel->setEnabled(false);
        m_text->setText(tr("Stopping..."));
        emit cancelRequested();
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CRequestWaiter::Wait(const std::function<bool()>& finished, std::atomic<bool>& cancel)
{
    QElapsedTimer clock;
    clock.start();
    // Wakes the loop below to look at the clock while nothing else happens.
    QTimer tick;
    tick.start(50);
    bool busy = false;
    std::unique_ptr<CWaitingWindow> window;
    while (!finished()) {
        const auto elapsed = std::chrono::milliseconds(clock.elapsed());
        if (!busy && elapsed >= busyAfter) {
            busy = true;
            if (onBusy)
                onBusy(true);
        }
        if (!window && elapsed >= windowAfter) {
            window = std::make_unique<CWaitingWindow>(QApplication::activeWindow());
            QObject::connect(window.get(), &CWaitingWindow::cancelRequested, [&cancel] { cancel = true; });
            window->show();
        }
        // Until the window shows, keys and clicks wait for the request to end; the window is
        // modal, so after that only its Cancel takes them.
        QCoreApplication::processEvents(window ? QEventLoop::WaitForMoreEvents
                                               : QEventLoop::WaitForMoreEvents | QEventLoop::ExcludeUserInputEvents);
    }
    if (busy && onBusy)
        onBusy(false);
}

} // namespace qb
