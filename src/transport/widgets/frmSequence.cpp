#include "transport/widgets/frmSequence.h"

#include "shell/Twips.h"
#include "shell/widgets/ctrlFormBar.h"
#include "transport/ExchangeSequence.h"
#include "transport/SynchronisedSend.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

frmSequence::frmSequence(QWidget* parent)
    : FramedDialog(parent)
    , m_optRepeat(new QRadioButton(u"The current request, repeated"_s, this))
    , m_optFiles(new QRadioButton(u"These request files, in order"_s, this))
    , m_spnCount(new QSpinBox(this))
    , m_lstFiles(new QListWidget(this))
    , m_cmdAddFiles(new QPushButton(u"Add files..."_s, this))
    , m_cmdRemove(new QPushButton(u"Remove"_s, this))
    , m_cmbMode(new QComboBox(this))
    , m_cmdSend(new QPushButton(u"Send"_s, this))
{
    setObjectName(u"frmSequence"_s);
    setWindowTitle(u"Send a sequence"_s);
    formBar()->setCaption(windowTitle());
    formBar()->setShowmenu(false);
    formBar()->setShowMinimizeButton(false);
    formBar()->setShowMaximizeButton(false);
    formBar()->setShowCloseButton(false);
    formBar()->setBarColor(1);
    m_optRepeat->setChecked(true);
    m_spnCount->setRange(1, ExchangeSequence::kMaxRequests);
    m_spnCount->setValue(2);
    m_spnCount->setSuffix(u" times"_s);
    m_cmbMode->addItem(u"In turn: one connection, each after the last response"_s);
    m_cmbMode->addItem(u"Pipelined: one connection, all written at once"_s);
    m_cmbMode->addItem(u"Synchronised: one connection each, last bytes together"_s);
    m_cmdSend->setDefault(true);
    auto* cancel = new QPushButton(u"Cancel"_s, this);

    auto* repeat = new QHBoxLayout;
    repeat->addWidget(m_optRepeat);
    repeat->addWidget(m_spnCount);
    repeat->addStretch();
    auto* fileButtons = new QHBoxLayout;
    fileButtons->addWidget(m_cmdAddFiles);
    fileButtons->addWidget(m_cmdRemove);
    fileButtons->addStretch();
    auto* mode = new QFormLayout;
    mode->addRow(u"Mode:"_s, m_cmbMode);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cmdSend);
    buttons->addWidget(cancel);
    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(Twips::toPx(180), formBar()->height() + Twips::toPx(180),
                             Twips::toPx(180), Twips::toPx(180));
    rows->addLayout(repeat);
    rows->addWidget(m_optFiles);
    rows->addWidget(m_lstFiles);
    rows->addLayout(fileButtons);
    rows->addLayout(mode);
    rows->addLayout(buttons);

    connect(m_optRepeat, &QRadioButton::toggled, this, &frmSequence::updateControls);
    connect(m_cmbMode, &QComboBox::currentIndexChanged, this, &frmSequence::updateControls);
    connect(m_lstFiles, &QListWidget::itemSelectionChanged, this, &frmSequence::updateControls);
    connect(m_cmdAddFiles, &QPushButton::clicked, this, &frmSequence::addFiles);
    connect(m_cmdRemove, &QPushButton::clicked, this, [this] {
        qDeleteAll(m_lstFiles->selectedItems());
        updateControls();
    });
    connect(m_cmdSend, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    updateControls();
}

frmSequence::~frmSequence() = default;

void frmSequence::setFileChooser(std::function<QStringList()> chooser)
{
    m_fileChooser = std::move(chooser);
}

bool frmSequence::repeatCurrent() const
{
    return m_optRepeat->isChecked();
}

int frmSequence::count() const
{
    return m_spnCount->value();
}

QStringList frmSequence::files() const
{
    QStringList paths;
    for (int i = 0; i < m_lstFiles->count(); ++i)
        paths.append(m_lstFiles->item(i)->text());
    return paths;
}

SequenceRunner::Mode frmSequence::mode() const
{
    return static_cast<SequenceRunner::Mode>(m_cmbMode->currentIndex());
}

int frmSequence::maxRequests() const
{
    return mode() == SequenceRunner::Mode::Synchronised ? SynchronisedSend::kMaxConnections
                                                        : ExchangeSequence::kMaxRequests;
}

void frmSequence::addFiles()
{
    const QStringList paths = m_fileChooser
        ? m_fileChooser()
        : QFileDialog::getOpenFileNames(this, QString(), QString(),
                                        u"Pelorin HTTP Request file (*.phr)"_s);
    m_lstFiles->addItems(paths);
    if (!paths.isEmpty())
        m_optFiles->setChecked(true);
    updateControls();
}

void frmSequence::updateControls()
{
    m_spnCount->setMaximum(maxRequests());
    m_spnCount->setEnabled(repeatCurrent());
    m_cmdRemove->setEnabled(!m_lstFiles->selectedItems().isEmpty());
    const qsizetype files = m_lstFiles->count();
    m_cmdSend->setEnabled(repeatCurrent() || (files > 0 && files <= maxRequests()));
}
