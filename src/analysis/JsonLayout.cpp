#include "analysis/JsonLayout.h"

#include <QList>

#include <algorithm>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

// Indentation stops growing here, so that a document of nothing but brackets cannot make the
// view quadratically larger than itself.
constexpr qsizetype kMaxIndentLevels = 64;
constexpr qsizetype kIndentWidth = 4;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isHexDigit(char c)
{
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

class Layout
{
public:
    explicit Layout(QByteArrayView json)
        : m_in(json.data())
        , m_size(json.size())
    {
        m_out.reserve(json.size() + json.size() / 2 + 16);
    }

    std::optional<QByteArray> run(JsonFault* fault)
    {
        if (parse()) {
            m_out.append('\n');
            return std::move(m_out);
        }
        if (fault)
            *fault = { std::min(m_pos, m_size), m_reason };
        return std::nullopt;
    }

private:
    enum class Expect { Value, ValueOrClose, Key, KeyOrClose, Colon, CommaOrClose };

    bool fail(const char* reason)
    {
        m_reason = QString::fromLatin1(reason);
        return false;
    }

    void newLine()
    {
        static const QByteArray spaces(kMaxIndentLevels * kIndentWidth, ' ');
        m_out.append('\n');
        m_out.append(spaces.constData(),
                     std::min<qsizetype>(m_stack.size(), kMaxIndentLevels) * kIndentWidth);
    }

    void skipBlanks()
    {
        while (m_pos < m_size && isBlank(m_in[m_pos]))
            ++m_pos;
    }

    // Copies the token from start to m_pos unchanged.
    void copyToken(qsizetype start) { m_out.append(m_in + start, m_pos - start); }

    bool string()
    {
        const qsizetype start = m_pos++;
        while (m_pos < m_size) {
            const char c = m_in[m_pos];
            if (c == '"') {
                ++m_pos;
                copyToken(start);
                return true;
            }
            if (uchar(c) < 0x20)
                return fail("control character in a string");
            if (c == '\\') {
                if (++m_pos >= m_size)
                    break;
                const char e = m_in[m_pos];
                if (e == 'u') {
                    for (int i = 0; i < 4; ++i) {
                        if (++m_pos >= m_size)
                            break;
                        if (!isHexDigit(m_in[m_pos]))
                            return fail("invalid escape");
                    }
                } else if (!std::strchr("\"\\/bfnrt", e) || e == '\0') {
                    return fail("invalid escape");
                }
            }
            ++m_pos;
        }
        return fail("unterminated string");
    }

    bool digits()
    {
        const qsizetype from = m_pos;
        while (m_pos < m_size && isDigit(m_in[m_pos]))
            ++m_pos;
        return m_pos > from || fail("digit expected");
    }

    bool number()
    {
        const qsizetype start = m_pos;
        if (m_in[m_pos] == '-')
            ++m_pos;
        if (m_pos < m_size && m_in[m_pos] == '0')
            ++m_pos;
        else if (!digits())
            return false;
        if (m_pos < m_size && m_in[m_pos] == '.') {
            ++m_pos;
            if (!digits())
                return false;
        }
        if (m_pos < m_size && (m_in[m_pos] == 'e' || m_in[m_pos] == 'E')) {
            ++m_pos;
            if (m_pos < m_size && (m_in[m_pos] == '+' || m_in[m_pos] == '-'))
                ++m_pos;
            if (!digits())
                return false;
        }
        copyToken(start);
        return true;
    }

    bool literal()
    {
        for (const char* word : { "true", "false", "null" }) {
            const qsizetype length = qsizetype(std::strlen(word));
            if (QByteArrayView(m_in + m_pos, std::min(length, m_size - m_pos)) == word) {
                m_out.append(word, length);
                m_pos += length;
                return true;
            }
        }
        return fail("value expected");
    }

    bool value()
    {
        const char c = m_in[m_pos];
        if (c == '{' || c == '[') {
            m_out.append(c);
            m_stack.append(c);
            ++m_pos;
            m_expect = c == '{' ? Expect::KeyOrClose : Expect::ValueOrClose;
            return true;
        }
        m_expect = Expect::CommaOrClose;
        if (c == '"')
            return string();
        if (c == '-' || isDigit(c))
            return number();
        return literal();
    }

    bool close(char c)
    {
        const char open = m_stack.isEmpty() ? '\0' : m_stack.constLast();
        if (!((open == '{' && c == '}') || (open == '[' && c == ']')))
            return fail("unexpected character");
        const bool empty = m_expect != Expect::CommaOrClose;
        m_stack.removeLast();
        if (!empty)
            newLine();
        m_out.append(c);
        ++m_pos;
        m_expect = Expect::CommaOrClose;
        return true;
    }

    bool parse()
    {
        for (skipBlanks(); m_pos < m_size; skipBlanks()) {
            const char c = m_in[m_pos];
            switch (m_expect) {
            case Expect::ValueOrClose:
            case Expect::KeyOrClose:
                if (c == ']' || c == '}') {
                    if (!close(c))
                        return false;
                    break;
                }
                newLine();
                if (m_expect == Expect::ValueOrClose) {
                    if (!value())
                        return false;
                    break;
                }
                [[fallthrough]];
            case Expect::Key:
                if (c != '"')
                    return fail("key expected");
                if (!string())
                    return false;
                m_expect = Expect::Colon;
                break;
            case Expect::Colon:
                if (c != ':')
                    return fail("':' expected");
                m_out.append(": ", 2);
                ++m_pos;
                m_expect = Expect::Value;
                break;
            case Expect::Value:
                if (!value())
                    return false;
                break;
            case Expect::CommaOrClose:
                if (m_stack.isEmpty())
                    return fail("text after the value");
                if (c == ',') {
                    m_out.append(',');
                    newLine();
                    ++m_pos;
                    m_expect = m_stack.constLast() == '{' ? Expect::Key : Expect::Value;
                } else if (!close(c)) {
                    return false;
                }
                break;
            }
        }
        if (m_stack.isEmpty() && m_expect == Expect::CommaOrClose)
            return true;
        return fail(m_pos == 0 ? "no value" : "unexpected end");
    }

    const char* m_in;
    qsizetype m_size;
    qsizetype m_pos = 0;
    QByteArray m_out;
    QList<char> m_stack; // the open brackets, innermost last
    Expect m_expect = Expect::Value;
    QString m_reason;
};

} // namespace

std::optional<QByteArray> LayOutJson(QByteArrayView json, JsonFault* fault)
{
    return Layout(json).run(fault);
}
