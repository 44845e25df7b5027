#include "editing/CurlCommand.h"

#include "editing/BasicAuthorization.h"
#include "message/ControlCharacters.h"
#include "message/HTTPRequest.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QUrl>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Words are collected as bytes: $'\xHH' and octal escapes may spell bytes that are no UTF-8.
class ShellWords
{
public:
    Result split(const QString& text);
    const QList<QByteArray>& words() const { return m_words; }

private:
    void endWord()
    {
        if (m_inWord)
            m_words.append(m_word);
        m_word.clear();
        m_inWord = false;
    }
    void add(QChar c)
    {
        m_word.append(QString(c).toUtf8());
        m_inWord = true;
    }
    qsizetype ansiC(const QString& text, qsizetype i);

    QList<QByteArray> m_words;
    QByteArray m_word;
    bool m_inWord = false;
};

int hexValue(QChar c)
{
    if (c >= u'0' && c <= u'9')
        return c.unicode() - '0';
    if (c >= u'a' && c <= u'f')
        return c.unicode() - 'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c.unicode() - 'A' + 10;
    return -1;
}

// Reads one escape of a $'...' word starting after its backslash; returns the index after it.
qsizetype ShellWords::ansiC(const QString& text, qsizetype i)
{
    const QChar c = text.at(i);
    static const QHash<QChar, char> simple { { u'n', '\n' },  { u't', '\t' },   { u'r', '\r' },
                                             { u'a', '\a' },  { u'b', '\b' },   { u'f', '\f' },
                                             { u'v', '\v' },  { u'e', '\x1b' }, { u'E', '\x1b' },
                                             { u'\\', '\\' }, { u'\'', '\'' },  { u'"', '"' },
                                             { u'?', '?' } };
    m_inWord = true;
    if (const auto it = simple.constFind(c); it != simple.constEnd()) {
        m_word.append(*it);
        return i + 1;
    }
    const auto number = [&](qsizetype from, int maxDigits, int base) {
        uint value = 0;
        qsizetype j = from;
        while (j < text.size() && j - from < maxDigits) {
            const int d = hexValue(text.at(j));
            if (d < 0 || d >= base)
                break;
            value = value * uint(base) + uint(d);
            ++j;
        }
        return std::pair { value, j };
    };
    if (c == u'x') {
        const auto [value, end] = number(i + 1, 2, 16);
        if (end == i + 1) {
            m_word.append("\\x");
            return i + 1;
        }
        m_word.append(char(value));
        return end;
    }
    if (c == u'u' || c == u'U') {
        const auto [value, end] = number(i + 1, c == u'u' ? 4 : 8, 16);
        if (end == i + 1 || value > 0x10FFFF) {
            m_word.append('\\');
            return i;
        }
        const char32_t code = value;
        m_word.append(QString::fromUcs4(&code, 1).toUtf8());
        return end;
    }
    if (c >= u'0' && c <= u'7') {
        const auto [value, end] = number(i, 3, 8);
        m_word.append(char(value & 0xFF));
        return end;
    }
    if (c == u'c' && i + 1 < text.size()) {
        m_word.append(char(text.at(i + 1).unicode() & 0x1F));
        return i + 2;
    }
    m_word.append('\\');
    return i;
}

Result ShellWords::split(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    const auto fail = [&](const QString& why) {
        endWord();
        return Result::failure(why);
    };
    while (i < n) {
        const QChar c = text.at(i);
        if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r') {
            endWord();
            ++i;
        } else if (c == u'\\') {
            if (i + 1 < n && text.at(i + 1) == u'\n') {
                i += 2;
            } else if (i + 2 < n && text.at(i + 1) == u'\r' && text.at(i + 2) == u'\n') {
                i += 3;
            } else if (i + 1 < n) {
                add(text.at(i + 1));
                i += 2;
            } else {
                ++i;
            }
        } else if (c == u'\'') {
            const qsizetype end = text.indexOf(u'\'', i + 1);
            if (end < 0)
                return fail(u"Unterminated single quote"_s);
            m_word.append(QStringView(text).sliced(i + 1, end - i - 1).toUtf8());
            m_inWord = true;
            i = end + 1;
        } else if (c == u'$' && i + 1 < n && text.at(i + 1) == u'\'') {
            i += 2;
            m_inWord = true;
            while (true) {
                if (i >= n)
                    return fail(u"Unterminated $' quote"_s);
                const QChar d = text.at(i);
                if (d == u'\'') {
                    ++i;
                    break;
                }
                if (d == u'\\' && i + 1 < n) {
                    i = ansiC(text, i + 1);
                } else {
                    add(d);
                    ++i;
                }
            }
        } else if (c == u'"' || (c == u'$' && i + 1 < n && text.at(i + 1) == u'"')) {
            i += c == u'$' ? 2 : 1;
            m_inWord = true;
            while (true) {
                if (i >= n)
                    return fail(u"Unterminated double quote"_s);
                const QChar d = text.at(i);
                if (d == u'"') {
                    ++i;
                    break;
                }
                if (d == u'\\' && i + 1 < n) {
                    const QChar e = text.at(i + 1);
                    if (e == u'\n') {
                        i += 2;
                        continue;
                    }
                    if (e == u'$' || e == u'`' || e == u'"' || e == u'\\') {
                        add(e);
                        i += 2;
                        continue;
                    }
                }
                add(d);
                ++i;
            }
        } else {
            add(c);
            ++i;
        }
    }
    endWord();
    return Result::success();
}

bool isSafeShellChar(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')
        || QStringView(u"_@%+=:,./-").contains(c);
}

// curl's --data-urlencode keeps the RFC 3986 unreserved characters and encodes every other byte.
QByteArray percentEncode(const QByteArray& bytes)
{
    return bytes.toPercentEncoding(QByteArray(), "~");
}

enum class Arg { None, Required };

struct OptionInfo
{
    QString name; // the long name the request side uses
    Arg arg;
};

const QHash<QString, OptionInfo>& options()
{
    // Every option that changes the request, and the common ones that do not, so a pasted
    // command never loses an argument word to the URL.
    static const QHash<QString, OptionInfo> table = [] {
        QHash<QString, OptionInfo> t;
        const auto both = [&](const QString& shortName, const QString& longName, Arg arg) {
            t.insert(longName, { longName, arg });
            if (!shortName.isEmpty())
                t.insert(shortName, { longName, arg });
        };
        both(u"-X"_s, u"--request"_s, Arg::Required);
        both(u"-H"_s, u"--header"_s, Arg::Required);
        both(u"-d"_s, u"--data"_s, Arg::Required);
        both({}, u"--data-ascii"_s, Arg::Required);
        both({}, u"--data-raw"_s, Arg::Required);
        both({}, u"--data-binary"_s, Arg::Required);
        both({}, u"--data-urlencode"_s, Arg::Required);
        both(u"-T"_s, u"--upload-file"_s, Arg::Required);
        both(u"-u"_s, u"--user"_s, Arg::Required);
        both(u"-A"_s, u"--user-agent"_s, Arg::Required);
        both(u"-e"_s, u"--referer"_s, Arg::Required);
        both(u"-b"_s, u"--cookie"_s, Arg::Required);
        both(u"-F"_s, u"--form"_s, Arg::Required);
        both({}, u"--form-string"_s, Arg::Required);
        both({}, u"--url"_s, Arg::Required);
        both(u"-G"_s, u"--get"_s, Arg::None);
        both(u"-I"_s, u"--head"_s, Arg::None);
        both(u"-k"_s, u"--insecure"_s, Arg::None);
        both(u"-E"_s, u"--cert"_s, Arg::Required);
        for (const QString& l : { u"--key"_s, u"--cert-type"_s, u"--pass"_s, u"--cacert"_s })
            both({}, l, Arg::Required);
        both({}, u"--compressed"_s, Arg::None);
        both(u"-0"_s, u"--http1.0"_s, Arg::None);
        both({}, u"--http1.1"_s, Arg::None);
        // The proxy is not part of the request: kept aside for the caller.
        both(u"-x"_s, u"--proxy"_s, Arg::Required);
        both(u"-U"_s, u"--proxy-user"_s, Arg::Required);
        both({}, u"--noproxy"_s, Arg::Required);
        // No effect on the request bytes.
        for (const auto& [s, l] : { std::pair { u"-L"_s, u"--location"_s },
                                    { u"-s"_s, u"--silent"_s },
                                    { u"-S"_s, u"--show-error"_s },
                                    { u"-v"_s, u"--verbose"_s },
                                    { u"-i"_s, u"--include"_s },
                                    { u"-f"_s, u"--fail"_s },
                                    { u"-N"_s, u"--no-buffer"_s },
                                    { u"-g"_s, u"--globoff"_s },
                                    { u"-#"_s, u"--progress-bar"_s },
                                    { u"-O"_s, u"--remote-name"_s } })
            both(s, l, Arg::None);
        for (const QString& l :
             { u"--path-as-is"_s, u"--fail-with-body"_s, u"--location-trusted"_s })
            both({}, l, Arg::None);
        for (const auto& [s, l] : { std::pair { u"-o"_s, u"--output"_s },
                                    { u"-m"_s, u"--max-time"_s },
                                    { u"-w"_s, u"--write-out"_s },
                                    { u"-c"_s, u"--cookie-jar"_s } })
            both(s, l, Arg::Required);
        for (const QString& l : { u"--connect-timeout"_s, u"--retry"_s, u"--max-redirs"_s,
                                  u"--limit-rate"_s, u"--capath"_s })
            both({}, l, Arg::Required);
        return t;
    }();
    return table;
}

bool ignoredOption(const QString& longName)
{
    static const QStringList ignored { u"--location"_s,
                                       u"--silent"_s,
                                       u"--show-error"_s,
                                       u"--verbose"_s,
                                       u"--include"_s,
                                       u"--fail"_s,
                                       u"--no-buffer"_s,
                                       u"--globoff"_s,
                                       u"--progress-bar"_s,
                                       u"--remote-name"_s,
                                       u"--path-as-is"_s,
                                       u"--fail-with-body"_s,
                                       u"--location-trusted"_s,
                                       u"--output"_s,
                                       u"--max-time"_s,
                                       u"--write-out"_s,
                                       u"--cookie-jar"_s,
                                       u"--connect-timeout"_s,
                                       u"--retry"_s,
                                       u"--max-redirs"_s,
                                       u"--limit-rate"_s,
                                       u"--capath"_s };
    return ignored.contains(longName);
}

// Options we do not take over but whose argument must not be mistaken for the URL.
bool unknownTakesArgument(const QString& option)
{
    static const QStringList withArg { u"-x"_s,           u"--proxy"_s,     u"-E"_s,
                                       u"--cert"_s,       u"--key"_s,       u"--resolve"_s,
                                       u"--connect-to"_s, u"--interface"_s, u"-K"_s,
                                       u"--config"_s,     u"-U"_s,          u"--proxy-user"_s,
                                       u"-r"_s,           u"--range"_s,     u"-z"_s,
                                       u"--time-cond"_s };
    return withArg.contains(option);
}

struct UrlParts
{
    bool secure = false;
    QString server, port, path, userInfo, error;
};

UrlParts splitUrl(const QString& url)
{
    UrlParts parts;
    QString rest = url;
    const qsizetype schemeEnd = rest.indexOf(u"://"_s);
    if (schemeEnd >= 0) {
        const QString scheme = rest.left(schemeEnd).toLower();
        if (scheme != u"http"_s && scheme != u"https"_s) {
            parts.error = u"Only http and https URLs can be sent: "_s + url;
            return parts;
        }
        parts.secure = scheme == u"https"_s;
        rest = rest.mid(schemeEnd + 3);
    }
    qsizetype authorityEnd = rest.size();
    for (const QChar stop : { u'/', u'?', u'#' }) {
        const qsizetype at = rest.indexOf(stop);
        if (at >= 0 && at < authorityEnd)
            authorityEnd = at;
    }
    QString authority = rest.left(authorityEnd);
    QString path = rest.mid(authorityEnd);
    if (const qsizetype hash = path.indexOf(u'#'); hash >= 0)
        path.truncate(hash);
    if (path.isEmpty() || path.startsWith(u'?'))
        path.prepend(u'/');
    if (const qsizetype at = authority.lastIndexOf(u'@'); at >= 0) {
        parts.userInfo = QUrl::fromPercentEncoding(authority.left(at).toUtf8());
        authority = authority.mid(at + 1);
    }
    QString host = authority;
    QString port;
    if (authority.startsWith(u'[')) {
        const qsizetype close = authority.indexOf(u']');
        if (close < 0) {
            parts.error = u"Malformed IPv6 address in URL: "_s + url;
            return parts;
        }
        host = authority.left(close + 1);
        if (authority.size() > close + 1 && authority.at(close + 1) == u':')
            port = authority.mid(close + 2);
    } else if (const qsizetype colon = authority.lastIndexOf(u':'); colon >= 0) {
        host = authority.left(colon);
        port = authority.mid(colon + 1);
    }
    if (host.isEmpty()) {
        parts.error = u"No host in URL: "_s + url;
        return parts;
    }
    parts.server = host;
    parts.port = port.isEmpty() ? (parts.secure ? u"443"_s : u"80"_s) : port;
    parts.path = path;
    return parts;
}

Result readWholeFile(const QString& baseDir, const QString& name, QByteArray& out)
{
    QFile file(QDir(baseDir.isEmpty() ? QDir::currentPath() : baseDir).filePath(name));
    if (!file.open(QIODevice::ReadOnly))
        return Result::failure(u"Cannot read "_s + name + u": "_s + file.errorString());
    out = file.readAll();
    return Result::success();
}

bool hasHeader(const QList<QPair<QString, QString>>& headers, const QString& name)
{
    for (const auto& [n, v] : headers)
        if (n.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

} // namespace

Result SplitShellWords(const QString& text, QStringList& words)
{
    ShellWords splitter;
    Result split = splitter.split(text);
    words.clear();
    for (const QByteArray& w : splitter.words())
        words.append(QString::fromUtf8(w));
    return split;
}

QString ShellQuote(const QString& word)
{
    if (!word.isEmpty() && std::all_of(word.begin(), word.end(), isSafeShellChar))
        return word;
    if (!HasControlCharacter(word)) {
        QString quoted = word;
        quoted.replace(u'\'', u"'\\''"_s);
        return u'\'' + quoted + u'\'';
    }
    QString out = u"$'"_s;
    out.reserve(word.size() + word.size() / 16 + 3);
    // Runs of plain characters are copied whole: a body of many megabytes is quoted at once.
    qsizetype plainFrom = 0;
    for (qsizetype i = 0; i < word.size(); ++i) {
        const QChar c = word.at(i);
        QString escaped;
        switch (c.unicode()) {
        case '\n':
            escaped = u"\\n"_s;
            break;
        case '\r':
            escaped = u"\\r"_s;
            break;
        case '\t':
            escaped = u"\\t"_s;
            break;
        case '\\':
            escaped = u"\\\\"_s;
            break;
        case '\'':
            escaped = u"\\'"_s;
            break;
        default:
            if (!IsControlCharacter(c))
                continue;
            escaped = u"\\x"_s + QString::number(c.unicode(), 16).rightJustified(2, u'0');
        }
        out += QStringView(word).sliced(plainFrom, i - plainFrom);
        out += escaped;
        plainFrom = i + 1;
    }
    out += QStringView(word).sliced(plainFrom);
    out += u'\'';
    return out;
}

QString CurlRequest::headerText() const
{
    QStringList lines;
    for (const auto& [name, value] : headers)
        lines.append(name + u": "_s + value);
    return lines.join(u"\r\n"_s);
}

bool LooksLikeCurlCommand(const QString& text)
{
    const QString t = text.trimmed();
    return t.startsWith(u"curl "_s) || t.startsWith(u"curl\t"_s) || t.startsWith(u"curl\\"_s)
        || t.startsWith(u"curl.exe "_s);
}

CurlRequest ParseCurlCommand(const QString& commandLine, const QString& baseDir)
{
    CurlRequest r;
    ShellWords splitter;
    if (const Result split = splitter.split(commandLine); !split) {
        r.error = split.text;
        return r;
    }
    const QList<QByteArray>& words = splitter.words();
    if (words.isEmpty() || (words.first() != "curl" && words.first() != "curl.exe")) {
        r.error = u"Not a curl command"_s;
        return r;
    }

    QString url;
    QList<QByteArray> data;
    QString explicitMethod;
    bool get = false, head = false;
    bool dataGiven = false;
    // The files of "--data-binary @file", by their place in data.
    QHash<qsizetype, QString> binaryFiles;
    bool uploadGiven = false;
    const auto fileIn = [&baseDir](const QByteArray& name) {
        return QDir(baseDir.isEmpty() ? QDir::currentPath() : baseDir)
            .absoluteFilePath(QString::fromUtf8(name));
    };
    const auto take = [&](const QString& option, const QByteArray& value) -> bool {
        const QString text = QString::fromUtf8(value);
        if (option == u"--request"_s) {
            explicitMethod = text;
        } else if (option == u"--header"_s) {
            const qsizetype colon = text.indexOf(u':');
            const qsizetype semi = text.indexOf(u';');
            if (colon > 0) {
                const QString name = text.left(colon).trimmed();
                const QString v = text.mid(colon + 1).trimmed();
                // "Name:" asks curl to drop a header of its own; we add none.
                if (!v.isEmpty())
                    r.headers.append({ name, v });
            } else if (semi > 0 && text.mid(semi + 1).trimmed().isEmpty()) {
                r.headers.append({ text.left(semi).trimmed(), QString() });
            } else {
                r.unknownOptions.append(u"-H "_s + ShellQuote(text));
            }
        } else if (option == u"--data"_s || option == u"--data-ascii"_s
                   || option == u"--data-binary"_s) {
            QByteArray piece = value;
            if (option == u"--data-binary"_s && piece.startsWith('@')) {
                // Read only if it is not the whole body: a lone file is sent from the disk.
                binaryFiles.insert(data.size(), fileIn(piece.mid(1)));
                if (!QFileInfo(binaryFiles.value(data.size())).isFile()) {
                    r.error = u"Cannot read "_s + QString::fromUtf8(piece.mid(1));
                    return false;
                }
                data.append(QByteArray());
                dataGiven = true;
                return true;
            }
            if (piece.startsWith('@')) {
                const Result read = readWholeFile(baseDir, QString::fromUtf8(piece.mid(1)), piece);
                if (!read) {
                    r.error = read.text;
                    return false;
                }
                // -d reads a file as text lines; --data-binary keeps every byte.
                if (option != u"--data-binary"_s)
                    piece.replace("\r", "").replace("\n", "");
            }
            data.append(piece);
            dataGiven = true;
        } else if (option == u"--upload-file"_s) {
            uploadGiven = true;
            r.bodyFile = fileIn(value);
            if (!QFileInfo(r.bodyFile).isFile()) {
                r.error = u"Cannot read "_s + text;
                return false;
            }
        } else if (option == u"--data-raw"_s) {
            data.append(value);
            dataGiven = true;
        } else if (option == u"--data-urlencode"_s) {
            const qsizetype eq = value.indexOf('=');
            const qsizetype at = value.indexOf('@');
            QByteArray name, content;
            if (at >= 0 && (eq < 0 || at < eq)) {
                name = value.left(at);
                const Result read
                    = readWholeFile(baseDir, QString::fromUtf8(value.mid(at + 1)), content);
                if (!read) {
                    r.error = read.text;
                    return false;
                }
            } else if (eq >= 0) {
                name = value.left(eq);
                content = value.mid(eq + 1);
            } else {
                content = value;
            }
            data.append(name.isEmpty() ? percentEncode(content)
                                       : name + '=' + percentEncode(content));
            dataGiven = true;
        } else if (option == u"--user"_s) {
            const qsizetype colon = text.indexOf(u':');
            r.headers.append(
                { u"Authorization"_s,
                  BasicAuthorizationValue(colon < 0 ? text : text.left(colon),
                                          colon < 0 ? QString() : text.mid(colon + 1)) });
        } else if (option == u"--user-agent"_s) {
            r.headers.append({ u"User-Agent"_s, text });
        } else if (option == u"--referer"_s) {
            r.headers.append({ u"Referer"_s, text });
        } else if (option == u"--cookie"_s) {
            if (text.contains(u'='))
                r.headers.append({ u"Cookie"_s, text });
            else
                r.unknownOptions.append(u"-b "_s + ShellQuote(text) + u" (cookie file)"_s);
        } else if (option == u"--form"_s || option == u"--form-string"_s) {
            const qsizetype eq = text.indexOf(u'=');
            if (eq <= 0) {
                r.error = u"Malformed form field: "_s + text;
                return false;
            }
            CurlFormField field;
            field.name = text.left(eq);
            QString v = text.mid(eq + 1);
            if (option == u"--form"_s && (v.startsWith(u'@') || v.startsWith(u'<'))) {
                field.isFile = v.startsWith(u'@');
                field.valueFromFile = !field.isFile;
                v = v.mid(1);
                if (const qsizetype semi = v.indexOf(u";type="_s); semi >= 0) {
                    field.contentType = v.mid(semi + 6);
                    v.truncate(semi);
                }
                v = QDir(baseDir.isEmpty() ? QDir::currentPath() : baseDir).filePath(v);
            }
            field.value = v;
            r.form.append(field);
        } else if (option == u"--url"_s) {
            url = text;
        } else if (option == u"--get"_s) {
            get = true;
        } else if (option == u"--head"_s) {
            head = true;
        } else if (option == u"--insecure"_s) {
            r.insecure = true;
        } else if (option == u"--cert"_s) {
            std::optional<QString> passphrase;
            SplitCertArgument(text, r.tls.cert, passphrase);
            r.tls.cert = fileIn(r.tls.cert.toUtf8());
            if (passphrase)
                r.tls.passphrase = passphrase;
        } else if (option == u"--pass"_s) {
            r.tls.passphrase = text;
        } else if (option == u"--key"_s) {
            r.tls.key = fileIn(value);
        } else if (option == u"--cert-type"_s) {
            r.tls.certType = text;
        } else if (option == u"--cacert"_s) {
            r.tls.caFile = fileIn(value);
        } else if (option == u"--compressed"_s) {
            if (!hasHeader(r.headers, u"Accept-Encoding"_s))
                r.headers.append({ u"Accept-Encoding"_s, u"deflate, gzip, br"_s });
        } else if (option == u"--http1.0"_s) {
            r.httpVersion = u"HTTP/1.0"_s;
        } else if (option == u"--http1.1"_s) {
            r.httpVersion = u"HTTP/1.1"_s;
        } else if (option == u"--proxy"_s) {
            r.proxy = text;
        } else if (option == u"--proxy-user"_s) {
            r.proxyUser = text;
        } else if (option == u"--noproxy"_s) {
            r.noProxy = text;
        }
        return true;
    };

    for (qsizetype i = 1; i < words.size(); ++i) {
        const QString word = QString::fromUtf8(words.at(i));
        if (!word.startsWith(u'-') || word == u"-"_s) {
            if (url.isEmpty())
                url = word;
            else
                r.unknownOptions.append(word + u" (further URL)"_s);
            continue;
        }
        // Short options may be bundled ("-sSL") or carry their value ("-XPOST").
        QList<QPair<QString, QString>> parts; // option as written, attached value
        if (word.startsWith(u"--"_s)) {
            parts.append({ word, QString() });
        } else {
            for (qsizetype k = 1; k < word.size(); ++k) {
                const QString opt = u'-' + word.at(k);
                const auto it = options().constFind(opt);
                const bool needsArg = (it != options().constEnd() && it->arg == Arg::Required)
                    || unknownTakesArgument(opt);
                if (needsArg && k + 1 < word.size()) {
                    parts.append({ opt, word.mid(k + 1) });
                    break;
                }
                parts.append({ opt, QString() });
            }
        }
        for (const auto& [opt, attached] : parts) {
            const auto it = options().constFind(opt);
            if (it == options().constEnd()) {
                QString listed = opt;
                if (unknownTakesArgument(opt)) {
                    if (!attached.isEmpty())
                        listed += u' ' + ShellQuote(attached);
                    else if (i + 1 < words.size())
                        listed += u' ' + ShellQuote(QString::fromUtf8(words.at(++i)));
                }
                r.unknownOptions.append(listed);
                continue;
            }
            QByteArray value;
            if (it->arg == Arg::Required) {
                if (!attached.isEmpty()) {
                    value = attached.toUtf8();
                } else if (i + 1 < words.size()) {
                    value = words.at(++i);
                } else {
                    r.error = u"Option "_s + opt + u" needs a value"_s;
                    return r;
                }
            }
            if (ignoredOption(it->name)) {
                r.ignoredOptions.append(it->arg == Arg::Required
                                            ? opt + u' ' + ShellQuote(QString::fromUtf8(value))
                                            : opt);
                continue;
            }
            if (!take(it->name, value))
                return r;
        }
    }

    if (url.isEmpty()) {
        r.error = u"The curl command names no URL"_s;
        return r;
    }
    const UrlParts parts = splitUrl(url);
    if (!parts.error.isEmpty()) {
        r.error = parts.error;
        return r;
    }
    r.secure = parts.secure;
    r.server = parts.server;
    r.port = parts.port;
    r.url = parts.path;
    if (!parts.userInfo.isEmpty() && !hasHeader(r.headers, u"Authorization"_s)) {
        const qsizetype colon = parts.userInfo.indexOf(u':');
        r.headers.append(
            { u"Authorization"_s,
              BasicAuthorizationValue(parts.userInfo.left(colon),
                                      colon < 0 ? QString() : parts.userInfo.mid(colon + 1)) });
    }

    if (uploadGiven && (dataGiven || !r.form.isEmpty())) {
        r.error = u"A curl command cannot send both -T and -d or -F"_s;
        return r;
    }
    if (data.size() == 1 && binaryFiles.contains(0) && !get) {
        r.bodyFile = binaryFiles.value(0);
    } else {
        for (auto it = binaryFiles.cbegin(); it != binaryFiles.cend(); ++it) {
            if (const Result read = readWholeFile({}, it.value(), data[it.key()]); !read) {
                r.error = read.text;
                return r;
            }
        }
    }
    const QByteArray joined = data.join('&');
    if (get) {
        if (dataGiven)
            r.url += (r.url.contains(u'?') ? u'&' : u'?') + QString::fromUtf8(joined);
    } else if (dataGiven) {
        r.hasBody = true;
        r.body = joined;
        if (!hasHeader(r.headers, u"Content-Type"_s))
            r.headers.append({ u"Content-Type"_s, u"application/x-www-form-urlencoded"_s });
    }
    if (!explicitMethod.isEmpty())
        r.method = explicitMethod.toUpper();
    else if (head)
        r.method = u"HEAD"_s;
    else if (get)
        r.method = u"GET"_s;
    else if (r.hasBody || !r.form.isEmpty())
        r.method = u"POST"_s;
    else if (!r.bodyFile.isEmpty()) {
        r.hasBody = true;
        r.method = u"PUT"_s;
    }
    return r;
}

void SplitCertArgument(const QString& argument, QString& file, std::optional<QString>& passphrase)
{
    file.clear();
    passphrase.reset();
    for (qsizetype i = 0; i < argument.size(); ++i) {
        const QChar c = argument.at(i);
        if (c == u'\\' && i + 1 < argument.size()
            && (argument.at(i + 1) == u':' || argument.at(i + 1) == u'\\')) {
            file += argument.at(++i);
        } else if (c == u':') {
            passphrase = argument.mid(i + 1);
            return;
        } else {
            file += c;
        }
    }
}

QString JoinCertArgument(const QString& file, const std::optional<QString>& passphrase)
{
    QString argument;
    for (const QChar c : file) {
        if (c == u':' || c == u'\\')
            argument += u'\\';
        argument += c;
    }
    if (passphrase)
        argument += u':' + *passphrase;
    return argument;
}

bool CurlBodyNeedsFile(const HTTPRequest& request)
{
    if (request.Body.hasFiles())
        return request.Body.filePath().isEmpty();
    const QByteArray& body = request.Body.ContentBytes();
    // Linux refuses one argument over 128 KiB (MAX_ARG_STRLEN), and quoting may grow the body.
    constexpr qsizetype kLongestArgument = 64 * 1024;
    return body.size() > kLongestArgument || body.contains('\0')
        || !QByteArrayView(body).isValidUtf8();
}

QString ExportCurlCommand(const HTTPRequest& request, const CurlExportOptions& options)
{
    QStringList args { u"curl"_s };

    QString host = request.Server;
    if (host.contains(u':') && !host.startsWith(u'['))
        host = u'[' + host + u']';
    const QString defaultPort = request.Secure ? u"443"_s : u"80"_s;
    const QString port = request.Port.trimmed();
    const QString path = request.URL().isEmpty() ? u"/"_s : request.URL();
    const QString url = (request.Secure ? u"https://"_s : u"http://"_s) + host
        + (port.isEmpty() || port == defaultPort ? QString() : u':' + port) + path;
    args.append(ShellQuote(url));
    // curl would otherwise squash "/../" and expand "[...]" and "{...}" itself.
    const QString pathOnly = path.left(path.indexOf(u'?'));
    if (pathOnly.contains(u"/./"_s) || pathOnly.contains(u"/../"_s) || pathOnly.endsWith(u"/."_s)
        || pathOnly.endsWith(u"/.."_s))
        args.append(u"--path-as-is"_s);
    if (url.contains(u'[') || url.contains(u'{'))
        args.append(u"--globoff"_s);

    if (request.HTTPver.compare(u"HTTP/1.0"_s, Qt::CaseInsensitive) == 0)
        args.append(u"--http1.0"_s);
    else if (request.Secure)
        args.append(u"--http1.1"_s); // curl would offer HTTP/2 over TLS
    if (request.Secure)
        args.append(u"-k"_s);
    const CurlTlsFiles& tls = options.tls;
    if (!tls.cert.isEmpty()) {
        args.append(u"--cert "_s + ShellQuote(JoinCertArgument(tls.cert, std::nullopt)));
        if (!tls.key.isEmpty())
            args.append(u"--key "_s + ShellQuote(tls.key));
        if (!tls.certType.isEmpty())
            args.append(u"--cert-type "_s + ShellQuote(tls.certType));
        // A passphrase the user gave is passed on; without one curl asks at the terminal.
        if (tls.passphrase)
            args.append(u"--pass "_s + ShellQuote(*tls.passphrase));
    }
    if (!tls.caFile.isEmpty())
        args.append(u"--cacert "_s + ShellQuote(tls.caFile));

    const QByteArray& body = request.Body.ContentBytes();
    const bool hasBody = !body.isEmpty() || request.Body.hasFiles();
    const QString method = request.Method().isEmpty() ? u"GET"_s : request.Method();
    if (method == u"HEAD"_s && !hasBody)
        args.append(u"--head"_s);
    else if (method != (hasBody ? u"POST"_s : u"GET"_s))
        args.append(u"-X "_s + ShellQuote(method));

    QList<QPair<QString, QString>> headers;
    for (const QString& line : request.Header.split(u"\r\n"_s, Qt::SkipEmptyParts)) {
        const qsizetype colon = line.indexOf(u':');
        if (colon <= 0)
            continue;
        headers.append({ line.left(colon), line.mid(colon + 1).trimmed() });
    }
    for (const QString& line : request.Header.split(u"\r\n"_s, Qt::SkipEmptyParts)) {
        // "Name:" alone would make curl drop the header; "Name;" sends it empty.
        const qsizetype colon = line.indexOf(u':');
        if (colon > 0)
            args.append(u"-H "_s
                        + ShellQuote(line.mid(colon + 1).trimmed().isEmpty()
                                         ? line.left(colon) + u';'
                                         : line));
    }
    // curl adds these of its own accord; an empty value removes them.
    QStringList own { u"Host"_s, u"User-Agent"_s, u"Accept"_s };
    if (hasBody)
        own << u"Content-Type"_s << u"Content-Length"_s << u"Expect"_s;
    for (const QString& name : own)
        if (!hasHeader(headers, name))
            args.append(u"-H "_s + ShellQuote(name + u':'));

    if (hasBody) {
        if (const QString file = request.Body.filePath(); !file.isEmpty())
            args.append(u"--data-binary "_s + ShellQuote(u'@' + file));
        else if (CurlBodyNeedsFile(request))
            args.append(u"--data-binary "_s + ShellQuote(u'@' + options.bodyFile));
        else if (body.startsWith('@'))
            args.append(u"--data-raw "_s + ShellQuote(QString::fromUtf8(body)));
        else
            args.append(u"--data-binary "_s + ShellQuote(QString::fromUtf8(body)));
    }
    return args.join(u" \\\n  "_s);
}

QStringList CurlProxyOptions(const QString& proxy, const QString& user,
                             const std::optional<QString>& noProxy)
{
    if (proxy.isEmpty())
        return {};
    QStringList args { u"-x "_s + ShellQuote(proxy) };
    if (!user.isEmpty())
        args.append(u"--proxy-user "_s + ShellQuote(user));
    if (noProxy)
        args.append(u"--noproxy "_s + ShellQuote(*noProxy));
    return args;
}

QString ProxyUrlWithUser(const QString& proxy, const QString& user)
{
    if (user.isEmpty())
        return proxy;
    const qsizetype colon = user.indexOf(u':');
    QString userInfo = QString::fromLatin1(QUrl::toPercentEncoding(user.left(colon)));
    if (colon >= 0)
        userInfo += u':' + QString::fromLatin1(QUrl::toPercentEncoding(user.mid(colon + 1)));
    const qsizetype scheme = proxy.indexOf("://"_L1);
    const qsizetype hostAt = scheme < 0 ? 0 : scheme + 3;
    // Credentials in the URL itself give way to --proxy-user, as with curl.
    QString rest = proxy.mid(hostAt);
    if (const qsizetype at = rest.lastIndexOf(u'@'); at >= 0)
        rest = rest.mid(at + 1);
    return proxy.left(hostAt) + userInfo + u'@' + rest;
}
