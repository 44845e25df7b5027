#include "persistence/widgets/frmControlPanel.h"

#include "persistence/AutoSettings.h"
#include "persistence/widgets/OpenWithShell.h"
#include "shell/MessageSink.h"
#include "shell/widgets/FramedSubWindow.h"

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int kTagRole = Qt::UserRole;

} // namespace

frmControlPanel::frmControlPanel(AutoSettings& settings, MessageSink& messages, QWidget* parent)
    : FramedWindow(u"Control Panel"_s, 5895, 3915, parent)
    , m_settings(settings)
    , m_messages(messages)
    , TabStrip1(new QTabWidget(content()))
    , lstAutoSettings(new QListWidget)
    , lstHelp(new QListWidget)
    , cmdClientCertificates(new QPushButton(u"Client certificates..."_s))
{
    setObjectName(u"frmControlPanel"_s);
    TabStrip1->setObjectName(u"TabStrip1"_s);
    lstAutoSettings->setObjectName(u"lstAutoSettings"_s);
    lstHelp->setObjectName(u"lstHelp"_s);
    TabStrip1->addTab(lstAutoSettings, u"Automatically ..."_s);
    TabStrip1->addTab(lstHelp, u"Help and Resources"_s);
    for (QListWidget* list : { lstAutoSettings, lstHelp }) {
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    }
    lstHelp->setToolTip(u"Double-click a link to open it"_s);

    auto* rows = new QVBoxLayout(content());
    rows->setContentsMargins(0, 0, 0, 0);
    rows->addWidget(TabStrip1);
    cmdClientCertificates->setObjectName(u"cmdClientCertificates"_s);
    cmdClientCertificates->hide();
    rows->addWidget(cmdClientCertificates, 0, Qt::AlignRight);
    connect(cmdClientCertificates, &QPushButton::clicked, this, [this] {
        if (m_clientCertificates)
            m_clientCertificates();
    });

    connect(lstAutoSettings, &QListWidget::itemChanged, this, &frmControlPanel::settingChanged);
    connect(lstHelp, &QListWidget::itemActivated, this, &frmControlPanel::openLink);
}

frmControlPanel::~frmControlPanel() = default;

void frmControlPanel::setClientCertificatesOpener(std::function<void()> opener)
{
    m_clientCertificates = std::move(opener);
    cmdClientCertificates->setVisible(bool(m_clientCertificates));
}

void frmControlPanel::showTab(int index)
{
    TabStrip1->setCurrentIndex(index);
    TabStrip1->setFocus();
}

void frmControlPanel::addPage(QWidget* page, const QString& caption)
{
    TabStrip1->addTab(page, caption);
}

void frmControlPanel::showEvent(QShowEvent* event)
{
    FramedWindow::showEvent(event);
    // The lists have their real widths once the layouts have run.
    QTimer::singleShot(0, this, &frmControlPanel::fitToContent);
}

void frmControlPanel::fitToContent()
{
    // Widen so that no setting or link is cut; never narrower than it was made. Only the
    // shown page has its real size; both pages have the same.
    const int room = lstAutoSettings->viewport()->width();
    int missing = 0;
    for (const QListWidget* list : { lstAutoSettings, lstHelp })
        missing = std::max(missing, list->sizeHintForColumn(0) - room);
    // Pages added later (the proxy page) want their whole width too.
    const int pageWidth = TabStrip1->currentWidget()->width();
    for (int i = 0; i < TabStrip1->count(); ++i)
        missing = std::max(missing, TabStrip1->widget(i)->minimumSizeHint().width() - pageWidth);
    if (missing <= 0)
        return;
    // In the main window the sub-window holding the panel sets its size.
    if (FramedSubWindow* sub = FramedSubWindow::of(this))
        sub->resize(sub->width() + missing, sub->height());
    else
        resize(width() + missing, height());
}

qint32 frmControlPanel::AddAutoSetting(const QString& caption, const QString& key, bool checked)
{
    // Filled before the signal matters: adding an item must not change the setting.
    const QSignalBlocker quiet(lstAutoSettings);
    auto* item = new QListWidgetItem(caption, lstAutoSettings);
    item->setData(kTagRole, key);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    return 0;
}

qint32 frmControlPanel::AddHelpMenuItem(const QString& caption, const QString& target)
{
    auto* item = new QListWidgetItem(lstHelp);
    item->setData(kTagRole, target);
    // The style decodes an image for every icon it hands out; each kind is made once.
    const auto icon = [](QIcon& kept, QStyle::StandardPixmap pixmap) -> const QIcon& {
        if (kept.isNull())
            kept = QApplication::style()->standardIcon(pixmap);
        return kept;
    };
    if (target == "-"_L1) {
        item->setText(caption);
        QFont bold = item->font();
        bold.setBold(true);
        item->setFont(bold);
        item->setIcon(icon(m_sectionIcon, QStyle::SP_MessageBoxInformation));
    } else {
        item->setText(u"    "_s + caption);
        item->setIcon(icon(m_linkIcon, QStyle::SP_ArrowRight));
        item->setToolTip(target);
    }
    return 0;
}

void frmControlPanel::settingChanged(QListWidgetItem* item)
{
    // Unknown keys change nothing; the configuration file is never written.
    m_settings.set(item->data(kTagRole).toString(), item->checkState() == Qt::Checked);
}

void frmControlPanel::openLink(QListWidgetItem* item)
{
    if (!item)
        return;
    const QString target = item->data(kTagRole).toString();
    if (target == "-"_L1)
        return;
    if (target == "about"_L1) {
        if (m_about)
            m_about();
        return;
    }
    const ShellTarget opened = OpenWithShell(target);
    if (!opened)
        m_messages.showMessage(opened.error, u"Error"_s, MessageSink::Icon::Warning);
}
