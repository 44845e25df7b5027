#include "persistence/TextUtil.h"

#include "persistence/ErrorCodes.h"

#include <QFileInfo>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace {
// Collapsing halves every run of spaces per pass, so this is never reached by real input;
// it guards the loop all the same.
constexpr int kMaxCollapsePasses = 500;
} // namespace

qint32 ExtractBetween(const QString& source, const QString& startMarker, const QString& endMarker,
                      QString& result, const QString& anchor)
{
    qsizetype origin = 0;
    if (!anchor.isEmpty()) {
        origin = source.indexOf(anchor, 0, Qt::CaseInsensitive);
        if (origin < 0)
            return ErrorCode::InvalidArgument;
    }
    const qsizetype start = source.indexOf(startMarker, origin, Qt::CaseInsensitive);
    if (start < 0)
        return ErrorCode::MarkerNotFound;
    const qsizetype end = source.indexOf(endMarker, start + startMarker.size(), Qt::CaseSensitive);
    if (end < 0)
        return ErrorCode::MarkerNotFound;
    result = source.mid(start, end - start);
    return ErrorCode::Ok;
}

void RemoveBetween(QString& text, const QString& startMarker, const QString& endMarker)
{
    if (startMarker.isEmpty() || endMarker.isEmpty())
        return;
    for (;;) {
        const qsizetype start = text.indexOf(startMarker, 0, Qt::CaseInsensitive);
        if (start < 0)
            return;
        const qsizetype end = text.indexOf(endMarker, start, Qt::CaseInsensitive);
        if (end < 0)
            return;
        text.remove(start, end + endMarker.size() - start);
    }
}

QString URLEncode(const QString& text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    const QByteArray bytes = text.toUtf8();
    QString out;
    out.reserve(bytes.size() * 3);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '*'
            || b == '-' || b == '.' || b == '_') {
            out += QLatin1Char(c);
        } else {
            out += u'%';
            out += QLatin1Char(kHex[b >> 4]);
            out += QLatin1Char(kHex[b & 0x0F]);
        }
    }
    return out;
}

QString DecodeAmpersands(const QString& text)
{
    return QString(text).replace(u"&amp;"_s, u"&"_s, Qt::CaseInsensitive);
}

QString ShortenText(const QString& text, qint32 maxWidth)
{
    if (maxWidth >= text.size() || maxWidth < 6)
        return text;
    return text.left(3) + u"..."_s + text.right(maxWidth - 6);
}

QString FileNameFromPath(const QString& path)
{
    const qsizetype sep = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return path.mid(sep + 1);
}

QString FileExtension(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? name : name.mid(dot);
}

std::optional<QString> FormFieldTypeName(qint32 typeCode)
{
    static const QString kNames[]
        = { u"TEXT"_s,   u"TEXTAREA"_s, u"RADIO"_s,  u"CHECKBOX"_s, u"IMAGE"_s,
            u"SELECT"_s, u"SUBMIT"_s,   u"HIDDEN"_s, u"PASSWORD"_s };
    if (typeCode < 0 || typeCode >= qint32(std::size(kNames)))
        return std::nullopt;
    return kNames[typeCode];
}

namespace {

// One tag body (the text between "<" and ">") without prefixes and namespace attributes.
QString normalizeTag(const QString& body)
{
    QString out;
    bool first = true;
    for (const QString& token : body.split(u' ')) {
        if (token.isEmpty() || token.left(15).toLower() == "targetnamespace"_L1
            || token.left(5).toLower() == "xmlns"_L1)
            continue;
        const QStringList parts = token.split(u'=');
        QString name = parts.first();
        // Anything after a second "=" is dropped.
        const QString value = parts.size() > 1 ? u'=' + parts.at(1) : QString();
        const qsizetype colon = name.indexOf(u':');
        if (colon >= 0) {
            const bool endTag = name.startsWith(u'/');
            name = name.mid(colon + 1);
            if (endTag)
                name.prepend(u'/');
        }
        if (!first)
            out += u' ';
        out += name + value;
        first = false;
    }
    return u'<' + out + u'>';
}

} // namespace

NormalizedMarkup NormalizeMarkup(const QString& xml)
{
    NormalizedMarkup result;
    QString text = xml;
    text.replace(u"\r\n"_s, u" "_s);
    text.replace(u'\n', u' ').replace(u'\r', u' ').replace(u'\t', u' ');

    int passes = 0;
    while (text.contains(u"  "_s)) {
        text.replace(u"  "_s, u" "_s);
        if (++passes > kMaxCollapsePasses)
            return { Result::failure(u"Possible infinite loop"_s, ErrorCode::Own), {} };
    }
    text.replace(u" = "_s, u"="_s).replace(u"= "_s, u"="_s).replace(u" ="_s, u"="_s);

    qsizetype open = text.indexOf(u'<');
    if (open < 0)
        return { Result::failure(u"The text holds no markup (no \"<\")"_s,
                                 ErrorCode::InvalidArgument),
                 {} };
    qsizetype close = text.indexOf(u'>', open);
    while (close >= 0) {
        const QString body = text.mid(open + 1, close - open - 1);
        if (body.left(4).toLower() != "?xml"_L1 && body.left(3) != "!--"_L1)
            result.markup += normalizeTag(body);
        open = text.indexOf(u'<', close + 1);
        if (open < 0)
            break;
        // An unterminated last tag is dropped.
        close = text.indexOf(u'>', open);
    }
    return result;
}

ShellTarget CheckShellTarget(const QString& target)
{
    const QString text = target.trimmed();
    const QUrl url(text);
    const QString scheme = url.isValid() ? url.scheme().toLower() : QString();
    ShellTarget result;
    if (scheme == "http"_L1 || scheme == "https"_L1) {
        if (url.host().isEmpty())
            result.error = u"The address '%1' names no host."_s.arg(text);
        else
            result.url = url;
        return result;
    }
    if (scheme == "mailto"_L1) {
        if (url.path().isEmpty())
            result.error = u"The mail link '%1' names no address."_s.arg(text);
        else
            result.url = url;
        return result;
    }
    // A one-letter scheme is a drive letter ("C:\docs\a.txt"), not a scheme.
    if (scheme.size() > 1 && scheme != "file"_L1) {
        result.error = u"'%1' is neither a web address, a mail link nor a file; it is not "
                       "opened."_s.arg(text);
        return result;
    }
    const QFileInfo file(scheme == "file"_L1 ? url.toLocalFile() : text);
    if (!file.exists() || !file.isFile()) {
        result.error = u"The file '%1' does not exist."_s.arg(file.absoluteFilePath());
        return result;
    }
    // The desktop would start a program or a launcher instead of showing it.
    if (file.isExecutable() || file.suffix().compare("desktop"_L1, Qt::CaseInsensitive) == 0) {
        result.error = u"'%1' is a program or a launcher; Pelorin does not start programs."_s.arg(
            file.absoluteFilePath());
        return result;
    }
    result.url = QUrl::fromLocalFile(file.absoluteFilePath());
    return result;
}
