#include "analysis/ResultFinder.h"

#include "analysis/ResultTextModel.h"

#include <QByteArrayView>

#include <algorithm>
#include <cstring>

namespace {

// Bytes looked at in one step: small enough that a step in fold mode (the slowest) stays
// well inside the time budget of one turn of the event loop.
constexpr qint64 kSliceBytes = 1 << 20;
// Time one turn of the event loop gives to searching, in milliseconds.
constexpr qint64 kBudgetMs = 8;
// Never equal to a folded character of a needle: invalid bytes match nothing.
constexpr char32_t kInvalid = 0xFFFFFFFF;

bool isAscii(const QByteArray& bytes)
{
    return std::all_of(bytes.cbegin(), bytes.cend(), [](char c) { return uchar(c) < 0x80; });
}

void foldAscii(QByteArray& bytes)
{
    // Branch-free so the compiler can vectorise it.
    for (char& c : bytes) { // bytes is never shared here: no copy on write
        const auto u = uchar(c);
        c = char(u | (uchar(u - 'A') < 26u ? 0x20 : 0));
    }
}

} // namespace

// Slices run on the page's own thread between events, not in a worker: the model and its
// chunks are then never read while they change, a clear needs no handshake, and the cost of
// a step is bounded by its size and a time budget, so the window keeps answering.
ResultFinder::ResultFinder(const ResultTextModel& model, QObject* parent)
    : QObject(parent)
    , m_model(model)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &ResultFinder::work);
}

void ResultFinder::setQuery(const QString& text, bool matchCase)
{
    m_text = text;
    m_matchCase = matchCase;
    m_needle = text.toUtf8();
    m_foldedNeedle.clear();
    if (matchCase || m_needle.isEmpty()) {
        m_mode = Mode::Bytes;
    } else if (isAscii(m_needle)) {
        m_mode = Mode::AsciiFold;
        foldAscii(m_needle);
    } else {
        m_mode = Mode::Fold;
        for (const char32_t c : text.toUcs4())
            m_foldedNeedle.push_back(QChar::toCaseFolded(c));
    }
    m_job.active = false;
    restartCount();
}

qint64 ResultFinder::longestMatch() const
{
    // A folded character may be spelled with up to four bytes whatever the needle's spelling.
    return m_mode == Mode::Fold ? 4 * qint64(m_foldedNeedle.size()) : m_needle.size();
}

const ResultFinder::Slice& ResultFinder::prepare(qint64 from, qint64 to) const
{
    Slice& s = m_slice;
    s.base = from;
    s.chars.clear();
    s.starts.clear();
    // Matches beginning before `to` may end up to a match's length later.
    copyBytes(from, to - from + longestMatch() - 1, m_mode == Mode::AsciiFold);
    if (m_mode == Mode::AsciiFold) {
        foldAscii(s.buffer);
    } else if (m_mode == Mode::Fold) {
        const char* p = s.bytes.constData();
        const qsizetype n = s.bytes.size();
        // At most one character per byte: written by index, not appended one by one.
        s.chars.resize(std::size_t(n));
        s.starts.resize(std::size_t(n) + 1);
        char32_t* chars = s.chars.data();
        quint32* starts = s.starts.data();
        std::size_t k = 0;
        for (qsizetype i = 0; i < n;) {
            const auto b = uchar(p[i]);
            if (b < 0x80) { // most text: folded without a table lookup
                chars[k] = b | (uchar(b - 'A') < 26u ? 0x20 : 0);
                starts[k++] = quint32(i++);
                continue;
            }
            char32_t cp;
            const int len = ResultTextModel::decodeChar(p + i, n - i, cp);
            const bool real = cp != 0xFFFD
                || (len == 3 && QByteArrayView(p + i, 3) == QByteArrayView("\xEF\xBF\xBD"));
            chars[k] = real ? QChar::toCaseFolded(cp) : kInvalid;
            starts[k++] = quint32(i);
            i += len;
        }
        starts[k] = quint32(n);
        s.chars.resize(k);
        s.starts.resize(k + 1);
    }
    return s;
}

void ResultFinder::copyBytes(qint64 from, qint64 length, bool writable) const
{
    Slice& s = m_slice;
    const QList<QByteArray>& chunks = m_model.bytes().chunks();
    if (m_model.size() < m_seenSize || chunks.size() < qsizetype(m_chunkStarts.size()))
        m_chunkStarts.clear(); // the text was cleared
    for (auto i = qsizetype(m_chunkStarts.size()); i < chunks.size(); ++i)
        m_chunkStarts.push_back(i == 0 ? 0 : m_chunkStarts.back() + chunks.at(i - 1).size());
    m_seenSize = m_model.size();
    length = std::clamp<qint64>(length, 0, m_model.size() - from);
    if (length == 0) {
        s.buffer.resize(0);
        s.bytes = s.buffer;
        return;
    }
    const auto it = std::upper_bound(m_chunkStarts.cbegin(), m_chunkStarts.cend(), from);
    auto i = qsizetype(it - m_chunkStarts.cbegin()) - 1;
    qint64 offset = from - m_chunkStarts[std::size_t(i)];
    if (!writable && offset + length <= chunks.at(i).size()) {
        s.bytes = QByteArrayView(chunks.at(i).constData() + offset, qsizetype(length));
        return;
    }
    s.buffer.resize(qsizetype(length));
    char* out = s.buffer.data();
    while (length > 0) {
        const QByteArray& c = chunks.at(i);
        const qint64 take = std::min<qint64>(length, c.size() - offset);
        std::memcpy(out, c.constData() + offset, std::size_t(take));
        out += take;
        length -= take;
        offset = 0;
        ++i;
    }
    s.bytes = s.buffer;
}

ResultFinder::Match ResultFinder::nextIn(const Slice& slice, qint64 from, qint64 limit) const
{
    if (m_mode != Mode::Fold) {
        // glibc's memmem outruns Qt's search several times over on short needles.
        const qsizetype start
            = std::clamp<qsizetype>(qsizetype(from - slice.base), 0, slice.bytes.size());
        const void* hit
            = ::memmem(slice.bytes.constData() + start, std::size_t(slice.bytes.size() - start),
                       m_needle.constData(), std::size_t(m_needle.size()));
        const qsizetype at = hit ? static_cast<const char*>(hit) - slice.bytes.constData() : -1;
        if (at < 0 || slice.base + at >= limit)
            return {};
        return { slice.base + at, slice.base + at + m_needle.size() };
    }
    const auto first = std::lower_bound(slice.starts.cbegin(), slice.starts.cend() - 1,
                                        quint32(from - slice.base));
    const auto begin = slice.chars.cbegin() + (first - slice.starts.cbegin());
    const auto hit
        = std::search(begin, slice.chars.cend(), m_foldedNeedle.cbegin(), m_foldedNeedle.cend());
    if (hit == slice.chars.cend())
        return {};
    const std::size_t k = std::size_t(hit - slice.chars.cbegin());
    if (slice.base + slice.starts[k] >= limit)
        return {};
    return { slice.base + slice.starts[k], slice.base + slice.starts[k + m_foldedNeedle.size()] };
}

ResultFinder::Match ResultFinder::firstMatch(qint64 from, qint64 to) const
{
    from = std::max<qint64>(from, 0);
    to = std::min(to, m_model.size());
    if (m_text.isEmpty() || from >= to)
        return {};
    return nextIn(prepare(from, to), from, to);
}

void ResultFinder::findNext(qint64 from)
{
    m_job = { true, true, false, std::clamp<qint64>(from, 0, m_model.size()), 0 };
    m_job.stop = m_job.pos;
    schedule();
}

void ResultFinder::findPrevious(qint64 before)
{
    m_job = { true, false, false, std::clamp<qint64>(before, 0, m_model.size()), 0 };
    m_job.stop = m_job.pos;
    schedule();
}

bool ResultFinder::stepSearch()
{
    Job& j = m_job;
    const qint64 size = m_model.size();
    if (m_text.isEmpty()) {
        j.active = false;
        Q_EMIT notFound();
        return false;
    }
    if (j.forward) {
        const qint64 end = j.wrapped ? j.stop : size;
        const qint64 limit = std::min(j.pos + kSliceBytes, end);
        const Match m = firstMatch(j.pos, limit);
        if (m.isValid()) {
            j.active = false;
            Q_EMIT found(m.begin, m.end, j.wrapped);
            return false;
        }
        j.pos = limit;
        if (j.pos >= end && !j.wrapped) {
            j.wrapped = true;
            j.pos = 0;
        } else if (j.pos >= end) {
            j.active = false;
            Q_EMIT notFound();
            return false;
        }
        return true;
    }
    const qint64 end = j.wrapped ? j.stop : 0;
    const qint64 low = std::max(j.pos - kSliceBytes, end);
    if (low < j.pos) {
        // The last of the matches beginning in [low, pos).
        const Slice& slice = prepare(low, j.pos);
        Match last;
        for (Match m = nextIn(slice, low, j.pos); m.isValid();
             m = nextIn(slice, m.begin + 1, j.pos))
            last = m;
        if (last.isValid()) {
            j.active = false;
            Q_EMIT found(last.begin, last.end, j.wrapped);
            return false;
        }
    }
    j.pos = low;
    if (j.pos <= end && !j.wrapped) {
        j.wrapped = true;
        j.pos = size;
    } else if (j.pos <= end) {
        j.active = false;
        Q_EMIT notFound();
        return false;
    }
    return true;
}

bool ResultFinder::isCounting() const
{
    if (m_text.isEmpty())
        return false;
    return m_countPos < m_model.size() - longestMatch() + 1 || !m_tailCounted;
}

int ResultFinder::countProgress() const
{
    const qint64 size = m_model.size();
    if (!isCounting() || size == 0)
        return 100;
    return int(std::min<qint64>(99, m_countPos * 100 / size));
}

bool ResultFinder::stepCount()
{
    const qint64 size = m_model.size();
    // Matches beginning before `decided` lie wholly in the text and stay as they are however
    // the text grows; the ones after it are counted apart and again once bytes arrive.
    const qint64 decided = std::max<qint64>(0, size - longestMatch() + 1);
    if (m_countPos < decided) {
        const qint64 limit = std::min(m_countPos + kSliceBytes, decided);
        const Slice& slice = prepare(m_countPos, limit);
        qint64 pos = m_countPos;
        for (Match m = nextIn(slice, pos, limit); m.isValid(); m = nextIn(slice, pos, limit)) {
            ++m_count;
            pos = m.end; // matches do not overlap
        }
        m_countPos = std::max(pos, limit);
    } else if (!m_tailCounted) {
        m_tailCounted = true;
        const Slice& slice = prepare(m_countPos, size);
        qint64 pos = m_countPos;
        for (Match m = nextIn(slice, pos, size); m.isValid(); m = nextIn(slice, pos, size)) {
            ++m_tailCount;
            pos = m.end;
        }
        m_count += m_tailCount;
    }
    Q_EMIT countChanged(m_count, !isCounting());
    return isCounting();
}

void ResultFinder::restartCount()
{
    m_count = 0;
    m_countPos = 0;
    m_tailCount = 0;
    m_tailCounted = false;
    if (m_text.isEmpty())
        Q_EMIT countChanged(0, true);
    schedule();
}

void ResultFinder::textChanged()
{
    const qint64 size = m_model.size();
    if (size < m_seenSize) {
        m_chunkStarts.clear();
        m_seenSize = 0;
    }
    if (m_countPos > size) {
        // The text was cleared (and may have grown again since).
        m_job.active = false;
        restartCount();
        return;
    }
    m_count -= m_tailCount;
    m_tailCount = 0;
    m_tailCounted = false;
    if (m_job.active && (m_job.pos > size || m_job.stop > size))
        m_job.active = false;
    schedule();
}

void ResultFinder::schedule()
{
    if ((m_job.active || isCounting()) && !m_timer.isActive())
        m_timer.start();
}

void ResultFinder::work()
{
    m_budget.start();
    while (m_budget.elapsed() < kBudgetMs) {
        // A search the user waits for goes before the count.
        if (m_job.active)
            stepSearch();
        else if (!isCounting() || !stepCount())
            break;
    }
    schedule();
}
