#include "analysis/widgets/frmWebServices.h"

#include "analysis/widgets/WebServices.h"
#include "shell/MessageSink.h"
#include "shell/Twips.h"
#include "shell/widgets/ctrlWindowContainer.h"

#include <QBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

constexpr int kWidth = 6750;
constexpr int kHeight = 3915;

} // namespace

frmWebServices::frmWebServices(WebServices& services, MessageSink& messages, QWidget* parent)
    : QWidget(parent)
    , m_services(services)
    , m_messages(messages)
    , m_frame(new ctrlWindowContainer(this))
    , m_content(new QWidget(this))
    , m_list(new QTreeWidget(m_content))
{
    setObjectName(u"frmWebServices"_s);
    setWindowTitle(u"Web Services Repository"_s);
    m_frame->setCaption(u"Web Services Repository"_s);
    m_frame->setShowmenu(false);
    m_frame->setShowMaximizeButton(false);
    m_frame->setShowMinimizeButton(false);
    connect(m_frame, &ctrlWindowContainer::WindowClose, this, &QWidget::hide);

    m_list->setObjectName(u"lstServices"_s);
    m_list->setColumnCount(2);
    m_list->setHeaderLabels({ u"WSDL File"_s, u"URL"_s });
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->header()->setStretchLastSection(true);
    m_list->setColumnWidth(0, Twips::toPx(kWidth / 3 - 200));

    const QStringList captions { u"Remove"_s, u"List operations"_s };
    auto* buttons = new QHBoxLayout;
    auto* hint = new QLabel(u"Use the user-agent to fetch wsdl files"_s, m_content);
    hint->setObjectName(u"lblHint"_s);
    buttons->addWidget(hint, 1);
    for (int i = 0; i < 2; ++i) {
        m_cmdAction[i] = new QPushButton(captions.at(i), m_content);
        m_cmdAction[i]->setObjectName(u"cmdAction"_s + QString::number(i));
        m_cmdAction[i]->setEnabled(false);
        buttons->addWidget(m_cmdAction[i]);
        connect(m_cmdAction[i], &QPushButton::clicked, this, [this, i] { cmdAction_Click(i); });
    }
    auto* layout = new QVBoxLayout(m_content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);

    connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] {
        const bool selected = !selectedFile().isEmpty();
        for (QPushButton* button : m_cmdAction)
            button->setEnabled(selected);
    });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { cmdAction_Click(1); });

    resize(Twips::toPx(kWidth), Twips::toPx(kHeight));
    EnumWebServices();
}

frmWebServices::~frmWebServices() = default;

void frmWebServices::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_frame->setGeometry(rect());
    const int margin = Twips::toPx(150);
    m_content->setGeometry(rect().adjusted(margin, Twips::toPx(480), -margin, -margin));
}

void frmWebServices::EnumWebServices()
{
    m_list->clear();
    for (const StoredWebService& service : m_services.repository().EnumWebServices()) {
        auto* item = new QTreeWidgetItem(m_list, { service.fileName, service.url });
        item->setToolTip(1, service.url);
    }
}

QString frmWebServices::selectedFile() const
{
    const QList<QTreeWidgetItem*> items = m_list->selectedItems();
    return items.isEmpty() ? QString() : items.first()->text(0);
}

void frmWebServices::cmdAction_Click(int index)
{
    const QString file = selectedFile();
    if (file.isEmpty())
        return;
    WebServicesRepository& repository = m_services.repository();
    if (index == 0) {
        if (!m_messages.askYesNo(u"Remove "_s + file + u" from the repository?"_s, u"Remove"_s))
            return;
        const RepositoryResult result = repository.Remove(file);
        if (!result)
            m_messages.showMessage(result.text, u"Error"_s, MessageSink::Icon::Error);
        EnumWebServices();
        return;
    }
    m_services.openStored(file);
}
