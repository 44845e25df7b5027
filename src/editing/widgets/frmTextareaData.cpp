#include "editing/widgets/frmTextareaData.h"

#include "shell/Twips.h"
#include "shell/widgets/ctrlFormBar.h"

#include <QBoxLayout>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

frmTextareaData::frmTextareaData(QWidget* parent)
    : FramedDialog(parent)
    , m_editor(new QPlainTextEdit(this))
    , m_ok(new QPushButton(u"OK"_s, this))
    , m_cancel(new QPushButton(u"Cancel"_s, this))
{
    setObjectName(u"frmTextareaData"_s);
    formBar()->setCaption(u"TEXTAREA data"_s);
    formBar()->setShowCloseButton(false);
    formBar()->setShowMaximizeButton(false);
    formBar()->setShowMinimizeButton(false);
    formBar()->setShowmenu(false);
    setFixedSize(Twips::toPx(6750), Twips::toPx(4230));

    m_editor->setObjectName(u"rtfTextareaData"_s);
    m_ok->setObjectName(u"cmdOK"_s);
    m_cancel->setObjectName(u"cmdCancel"_s);
    m_editor->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_editor->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Enter belongs to the text; only a click on OK accepts.
    m_ok->setAutoDefault(false);
    m_cancel->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(Twips::toPx(120), formBar()->height() + Twips::toPx(90),
                               Twips::toPx(120), Twips::toPx(120));
    layout->addWidget(m_editor, 1);
    layout->addLayout(buttons);

    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

frmTextareaData::~frmTextareaData() = default;

void frmTextareaData::setText(const QString& text)
{
    QString shown = text;
    shown.replace(u"\r\n"_s, u"\n"_s);
    shown.replace(u'\r', u'\n');
    m_editor->setPlainText(shown);
}

QString frmTextareaData::text() const
{
    return m_editor->toPlainText();
}

void frmTextareaData::done(int result)
{
    m_okClicked = result == QDialog::Accepted;
    FramedDialog::done(result);
}

void frmTextareaData::showEvent(QShowEvent* event)
{
    FramedDialog::showEvent(event);
    m_editor->setFocus();
}
