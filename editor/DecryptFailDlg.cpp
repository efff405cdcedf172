#include "editor/DecryptFailDlg.h"

#include "editor/DialogStyle.h"
#include "editor/DialogUnits.h"

#include "codec/FormatConstants.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace qb {
namespace {

// Wide enough for a whole line of envelope text without scrolling sideways.
int EnvelopeLineWidth(const QPlainTextEdit& edit)
{
    const int text = edit.fontMetrics().horizontalAdvance(QString(kEnvelopeLineLength, u'M'));
    const int margins = 2 * static_cast<int>(edit.document()->documentMargin()) + 2 * edit.frameWidth();
    return text + margins + edit.verticalScrollBar()->sizeHint().width() + edit.cursorWidth();
}

} // namespace

CDecryptFailDlg::CDecryptFailDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Cannot decrypt"));
    // Fixed pitch, so that the lines of the source stand aligned.
    setFont(FontOrFallback(QStringLiteral("Courier New"), 8, QFont::Normal,
                           QFontDatabase::systemFont(QFontDatabase::FixedFont)));

    m_message = new QLabel(tr("File cannot be decrypted. File source:"), this);
    SetTextColour(*m_message, QColor(255, 0, 0));

    m_source = new QPlainTextEdit(this);
    m_source->setReadOnly(true);
    m_source->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_source->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_source->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    SetTextColour(*m_source, QColor(0, 0, 170));
    const QSize units = DluSize(*this, 307, 116);
    m_source->setMinimumSize(qMax(units.width(), EnvelopeLineWidth(*m_source)), units.height());

    m_ok = new QPushButton(tr("OK"), this);
    m_ok->setDefault(true);
    m_ok->setMinimumWidth(DluWidth(*this, 50));
    connect(m_ok, &QPushButton::clicked, this, &CDecryptFailDlg::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(DluWidth(*this, 1), DluHeight(*this, 4), DluWidth(*this, 1), DluHeight(*this, 4));
    layout->addWidget(m_message);
    layout->addWidget(m_source, 1);
    layout->addWidget(m_ok, 0, Qt::AlignHCenter);
    m_ok->setFocus();
}

void CDecryptFailDlg::SetSourceText(const QString& text)
{
    m_sourceText = text;
    m_source->setPlainText(text);
}

} // namespace qb
