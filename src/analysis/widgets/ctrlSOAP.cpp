#include "analysis/widgets/ctrlSOAP.h"

#include "shell/MessageSink.h"
#include "shell/Twips.h"
#include "shell/widgets/PelorinIcons.h"

#include <QBoxLayout>
#include <QFormLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>

using namespace Qt::StringLiterals;

namespace {

constexpr int kNameColumn = 0;
constexpr int kValueColumn = 1;
constexpr int kTypeColumn = 2;

QTableWidgetItem* readOnlyItem(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

} // namespace

ctrlSOAP::ctrlSOAP(MessageSink& messages, QWidget* parent)
    : QWidget(parent)
    , m_messages(messages)
    , m_list(new QListWidget(this))
    , m_grid(new QTableWidget(0, 3, this))
    , m_lblSOAPAction(new QLabel(this))
    , m_lblServiceAddress(new QLabel(this))
    , m_lblStatus(new QLabel(this))
    , m_importLog(new QPlainTextEdit(this))
    , m_cmdGenerate(new QPushButton(u"Generate request"_s, this))
    , m_cmdCancel(new QPushButton(u"Cancel"_s, this))
{
    setObjectName(u"ctrlSOAP"_s);
    m_list->setObjectName(u"ListView1"_s);
    m_grid->setObjectName(u"flxInputParams"_s);
    m_lblSOAPAction->setObjectName(u"lblSOAPAction"_s);
    m_lblServiceAddress->setObjectName(u"lblServiceAddress"_s);
    m_lblStatus->setObjectName(u"lblStatus"_s);
    m_cmdGenerate->setObjectName(u"cmdGenerateRequest"_s);
    m_cmdCancel->setObjectName(u"cmdCancel"_s);

    const int iconSize = Twips::toPx(240);
    m_list->setIconSize(QSize(iconSize, iconSize));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);

    m_grid->setHorizontalHeaderLabels({ u"Parameter name"_s, u"Value"_s, u"Type/Element"_s });
    m_grid->verticalHeader()->hide();
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->horizontalHeader()->setSectionResizeMode(kValueColumn, QHeaderView::Stretch);
    m_grid->horizontalHeader()->setSectionResizeMode(kNameColumn, QHeaderView::ResizeToContents);
    m_grid->horizontalHeader()->setSectionResizeMode(kTypeColumn, QHeaderView::ResizeToContents);
    // Only values are editable, so moving onto a cell edits exactly the value cells at once.
    m_grid->setEditTriggers(QAbstractItemView::AllEditTriggers);

    for (QLabel* label : { m_lblSOAPAction, m_lblServiceAddress }) {
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->setFrameShape(QFrame::StyledPanel);
        label->setFrameShadow(QFrame::Sunken);
        label->setMinimumWidth(Twips::toPx(3000));
    }
    m_lblStatus->setWordWrap(true);
    m_importLog->setObjectName(u"txtImportLog"_s);
    m_importLog->setReadOnly(true);
    m_importLog->setMaximumHeight(Twips::toPx(1200));
    m_importLog->hide();

    auto* operations = new QGroupBox(u"(1) Select Operation"_s, this);
    operations->setObjectName(u"fraOperations"_s);
    auto* operationsLayout = new QVBoxLayout(operations);
    operationsLayout->addWidget(m_list);

    auto* parameters = new QGroupBox(u"(2) Specify input parameters"_s, this);
    parameters->setObjectName(u"fraParameters"_s);
    auto* parametersLayout = new QVBoxLayout(parameters);
    parametersLayout->addWidget(new QLabel(u"Input message parameters:"_s, parameters));
    parametersLayout->addWidget(m_grid);

    auto* frames = new QHBoxLayout;
    frames->addWidget(operations, 1);
    frames->addWidget(parameters, 2);

    auto* details = new QFormLayout;
    details->addRow(u"SOAP Action:"_s, m_lblSOAPAction);
    details->addRow(u"Service address:"_s, m_lblServiceAddress);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_lblStatus, 1);
    buttons->addWidget(m_cmdGenerate);
    buttons->addWidget(m_cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(frames, 1);
    layout->addLayout(details);
    layout->addWidget(m_importLog);
    layout->addLayout(buttons);

    m_cmdGenerate->setEnabled(false);
    connect(m_list, &QListWidget::currentRowChanged, this, &ctrlSOAP::selectOperation);
    connect(m_cmdGenerate, &QPushButton::clicked, this, &ctrlSOAP::cmdGenerateRequest_Click);
    connect(m_cmdCancel, &QPushButton::clicked, this, &ctrlSOAP::CancelClicked);
    connect(&m_imports, &WsdlImports::finished, this, &ctrlSOAP::onImportsFinished);
    connect(&m_imports, &WsdlImports::logLine, this, [this](const QString& line) {
        m_importLog->appendPlainText(line.trimmed());
        m_importLog->show();
        Q_EMIT logLine(line);
    });
}

ctrlSOAP::~ctrlSOAP() = default;

void ctrlSOAP::setWSDLFileContents(const QString& text, const QString& wsdlUrl)
{
    m_wsdl.setWSDLFileContents(text, wsdlUrl);
}

void ctrlSOAP::setWSDLDocument(const QByteArray& bytes, const QString& wsdlUrl)
{
    m_wsdl.setWSDLDocument(bytes, wsdlUrl);
}

void ctrlSOAP::clearOperation()
{
    m_operation = {};
    m_grid->setRowCount(0);
    m_lblSOAPAction->clear();
    m_lblServiceAddress->clear();
    m_cmdGenerate->setEnabled(false);
}

void ctrlSOAP::setLocalReader(WsdlImports::LocalReader reader, const QString& mainLocation)
{
    m_imports.setLocalReader(std::move(reader), mainLocation);
}

void ctrlSOAP::showStatus(const QString& status)
{
    m_lblStatus->setText(m_note.isEmpty() || status.isEmpty() ? QString(m_note + status)
                                                              : QString(m_note + u". "_s + status));
}

void ctrlSOAP::EnumPortTypes()
{
    m_imports.cancel();
    m_importLog->clear();
    m_importLog->hide();
    m_note.clear();
    const QByteArray document = m_wsdl.documentBytes();
    if (WsdlImports::ImportLocations(document).isEmpty()) {
        m_wsdl.setImportedDocuments({});
        fillOperations();
        return;
    }
    {
        const QSignalBlocker blocker(m_list);
        m_list->clear();
        clearOperation();
    }
    m_lblStatus->setText(u"Reading imported documents ..."_s);
    m_imports.start(document, m_wsdl.wsdlUrl());
}

void ctrlSOAP::onImportsFinished(bool ok)
{
    if (ok) {
        m_wsdl.setImportedDocuments(m_imports.documents());
        fillOperations();
    } else {
        // Nothing half-read is offered.
        m_lblStatus->setText(m_imports.status());
    }
    Q_EMIT importsRead(ok);
}

void ctrlSOAP::fillOperations()
{
    const QString status = m_wsdl.EnumPortTypes();
    {
        // The new list is filled without selecting each item on the way.
        const QSignalBlocker blocker(m_list);
        m_list->clear();
        clearOperation();
        const QIcon icon = PelorinIcon(u"soap"_s);
        const QList<OperationEntry>& entries = m_wsdl.operations();
        for (int i = 0; i < entries.size(); ++i) {
            auto* item = new QListWidgetItem(icon, entries.at(i).inputMessageName, m_list);
            item->setData(Qt::UserRole, QString::number(i));
        }
    }
    m_note = m_list->count() > 0 ? status : QString();
    m_lblStatus->setText(status);
    if (m_list->count() > 0)
        m_list->setCurrentRow(0);
}

void ctrlSOAP::selectOperation(int row)
{
    clearOperation();
    if (row < 0)
        return;
    m_operation = m_wsdl.SelectOperation(m_list->item(row)->data(Qt::UserRole).toInt());
    if (!m_operation.errorMessage.isEmpty())
        m_messages.showMessage(m_operation.errorMessage, u"Error"_s, MessageSink::Icon::Critical);
    m_lblSOAPAction->setText(m_operation.soapAction.value_or(QString()));

    m_grid->setRowCount(int(m_operation.parameters.size()));
    for (int r = 0; r < m_operation.parameters.size(); ++r) {
        const SoapParameter& parameter = m_operation.parameters.at(r);
        QTableWidgetItem* name = readOnlyItem(parameter.name);
        QTableWidgetItem* type
            = readOnlyItem(parameter.header ? u"SOAP header: "_s + parameter.type : parameter.type);
        if (parameter.header) {
            name->setToolTip(u"Sent in the SOAP Header"_s);
            type->setToolTip(name->toolTip());
        }
        m_grid->setItem(r, kNameColumn, name);
        m_grid->setItem(r, kValueColumn, new QTableWidgetItem());
        m_grid->setItem(r, kTypeColumn, type);
    }

    m_lblServiceAddress->setText(m_operation.canGenerate() ? m_operation.address : u"- error -"_s);
    m_cmdGenerate->setEnabled(m_operation.canGenerate());
    showStatus(m_operation.status);
}

void ctrlSOAP::cmdGenerateRequest_Click()
{
    if (!m_operation.canGenerate())
        return;
    // Leaving the cell commits a value still being typed.
    m_grid->setCurrentItem(nullptr);
    QStringList values;
    for (int r = 0; r < m_grid->rowCount(); ++r) {
        const QTableWidgetItem* item = m_grid->item(r, kValueColumn);
        values.append(item ? item->text() : QString());
    }
    const SoapRequestResult result
        = m_wsdl.GenerateRequest(m_operation, values, m_operation.address);
    if (!result) {
        m_messages.showMessage(result.errorMessage, result.errorTitle, MessageSink::Icon::Critical);
        return;
    }
    if (!m_loader) {
        m_messages.showMessage(u"Error generating SOAP request"_s, u"Error"_s,
                               MessageSink::Icon::Critical);
        Q_EMIT CancelClicked();
        return;
    }
    m_loader(*result.request);
    Q_EMIT OkClicked();
}
