#include "message/BodySource.h"

#include <QFileInfo>

#include <utility>

using namespace Qt::StringLiterals;

BodyPiece BodyPiece::memory(const QByteArray& bytes)
{
    BodyPiece piece;
    piece.bytes = bytes;
    return piece;
}

BodyPiece BodyPiece::wholeFile(const QString& path)
{
    BodyPiece piece;
    piece.path = path;
    const QFileInfo info(path);
    if (info.isFile()) {
        piece.fileSize = info.size();
        piece.length = piece.fileSize;
    }
    return piece;
}

Result CheckBodyFile(const BodyPiece& piece)
{
    const QFileInfo info(piece.path);
    if (!info.exists())
        return Result::failure(u"Body file not found: %1"_s.arg(piece.path));
    if (!info.isFile() || !info.isReadable())
        return Result::failure(u"Body file cannot be read: %1"_s.arg(piece.path));
    if (info.size() != piece.fileSize || piece.fileSize < 0)
        return Result::failure(u"Body file changed size (%1 bytes, %2 expected): %3"_s.arg(
            QString::number(info.size()), QString::number(piece.fileSize), piece.path));
    return Result::success();
}

BodySource::BodySource(QList<BodyPiece> pieces)
    : m_pieces(std::move(pieces))
{
    for (const BodyPiece& piece : std::as_const(m_pieces))
        m_size += piece.size();
}

Result BodySource::check() const
{
    for (const BodyPiece& piece : m_pieces) {
        if (piece.isFile()) {
            if (const Result ok = CheckBodyFile(piece); !ok)
                return ok;
        }
    }
    return Result::success();
}

Result BodySource::openFile(const BodyPiece& piece)
{
    if (const Result ok = CheckBodyFile(piece); !ok)
        return ok;
    m_file.setFileName(piece.path);
    if (!m_file.open(QIODevice::ReadOnly) || !m_file.seek(piece.offset))
        return Result::failure(
            u"Body file cannot be read: %1 (%2)"_s.arg(piece.path, m_file.errorString()));
    return Result::success();
}

Result BodySource::next(qint64 maxBytes, QByteArray& block)
{
    block.clear();
    while (m_piece < m_pieces.size() && m_inPiece >= m_pieces.at(m_piece).size()) {
        ++m_piece;
        m_inPiece = 0;
    }
    if (m_piece >= m_pieces.size() || maxBytes <= 0)
        return Result::success();
    const BodyPiece& piece = m_pieces.at(m_piece);
    const qint64 wanted = qMin(maxBytes, piece.size() - m_inPiece);
    if (!piece.isFile()) {
        block = m_inPiece == 0 && wanted == piece.size()
            ? piece.bytes
            : piece.bytes.sliced(qsizetype(m_inPiece), qsizetype(wanted));
    } else {
        if (m_inPiece == 0) {
            m_file.close();
            if (const Result opened = openFile(piece); !opened)
                return opened;
        }
        block.resize(qsizetype(wanted));
        qint64 got = 0;
        while (got < wanted) {
            const qint64 n = m_file.read(block.data() + got, wanted - got);
            if (n <= 0)
                break;
            got += n;
        }
        // A short read means the file shrank under us; sending fewer bytes than the length
        // announced would leave the server waiting for the rest.
        if (got < wanted) {
            block.clear();
            m_file.close();
            return Result::failure(
                u"Body file changed size while it was sent: %1"_s.arg(piece.path));
        }
        if (m_inPiece + wanted == piece.size()) {
            m_file.close();
            if (const Result ok = CheckBodyFile(piece); !ok) {
                block.clear();
                return Result::failure(
                    u"Body file changed size while it was sent: %1"_s.arg(piece.path));
            }
        }
    }
    m_inPiece += wanted;
    m_position += wanted;
    return Result::success();
}
