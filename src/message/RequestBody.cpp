#include "message/RequestBody.h"

#include <QFileInfo>

#include <algorithm>

using namespace Qt::StringLiterals;

const QString& RequestBody::Contents() const
{
    if (m_contentsPending) {
        m_contents = QString::fromUtf8(m_bytes);
        m_contentsPending = false;
    }
    return m_contents;
}

void RequestBody::setContents(const QString& contents)
{
    m_pieces.clear();
    m_contents = contents;
    m_contentsPending = false;
    m_rendered = false;
    m_bytes = contents.toUtf8();
}

void RequestBody::setContents(const QByteArray& bytes)
{
    m_pieces.clear();
    m_bytes = bytes;
    m_contents.clear();
    m_contentsPending = true;
    m_rendered = false;
}

void RequestBody::setContents(const QByteArray& bytes, const QString& shown)
{
    m_pieces.clear();
    m_bytes = bytes;
    m_contents = shown;
    m_contentsPending = false;
    m_rendered = true;
}

void RequestBody::setPieces(const QList<BodyPiece>& pieces, const QString& shown)
{
    m_pieces.clear();
    m_bytes.clear();
    m_contents = shown;
    m_contentsPending = false;
    m_rendered = true;
    if (std::none_of(pieces.begin(), pieces.end(), [](const BodyPiece& p) { return p.isFile(); })) {
        for (const BodyPiece& piece : pieces)
            m_bytes += piece.bytes;
        return;
    }
    m_pieces = pieces;
}

void RequestBody::setFile(const QString& path)
{
    const BodyPiece piece = BodyPiece::wholeFile(path);
    setPieces({ piece }, BodyFilePlaceholder(path, piece.fileSize));
}

QString RequestBody::filePath() const
{
    return m_pieces.size() == 1 && m_pieces.constFirst().coversFile() ? m_pieces.constFirst().path
                                                                      : QString();
}

QList<BodyPiece> RequestBody::pieces() const
{
    if (!m_pieces.isEmpty())
        return m_pieces;
    if (m_bytes.isEmpty())
        return {};
    return { BodyPiece::memory(m_bytes) };
}

void RequestBody::refreshFileSize()
{
    const QString path = filePath();
    if (path.isEmpty())
        return;
    const BodyPiece now = BodyPiece::wholeFile(path);
    if (now.fileSize >= 0 && now != m_pieces.constFirst())
        setPieces({ now }, BodyFilePlaceholder(path, now.fileSize));
}

qint64 RequestBody::ContentLength() const
{
    if (m_pieces.isEmpty())
        return m_bytes.size();
    qint64 total = 0;
    for (const BodyPiece& piece : m_pieces)
        total += piece.size();
    return total;
}

QString BodyFilePlaceholder(const QString& path, qint64 size)
{
    const QString name = QFileInfo(path).fileName();
    if (size < 0)
        return u"<file \"%1\", missing>"_s.arg(name);
    return u"<file \"%1\", %2 bytes>"_s.arg(name, QString::number(size));
}
