#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <vector>

class ResultTextModel;

// Finds text in a result page: the next or previous match from a place, and the number of
// matches. Searching a gigabyte takes seconds, so the work is done in slices between turns
// of the event loop, reported through signals; a search in progress never blocks.
//
// Matching is on characters as the page decodes them. With match case off, ASCII letters
// fold for a needle of ASCII text, and every character folds (simple case folding) for any
// other needle. Bytes that are not valid UTF-8 never match.
class ResultFinder final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ResultFinder)

public:
    // A match: the byte range [begin, end) of the page's bytes.
    struct Match
    {
        qint64 begin = -1;
        qint64 end = -1;
        bool isValid() const { return begin >= 0; }
        friend bool operator==(const Match&, const Match&) = default;
    };

    // A finder over model, which must outlive it.
    explicit ResultFinder(const ResultTextModel& model, QObject* parent = nullptr);

    // Sets what to find and starts counting; an empty text finds nothing.
    void setQuery(const QString& text, bool matchCase);
    // The text being found.
    const QString& queryText() const { return m_text; }
    // Whether letter case must match.
    bool matchCase() const { return m_matchCase; }

    // Starts looking for the first match beginning at or after from, wrapping to the start
    // of the text; reports found() or notFound(). Replaces a search still running.
    void findNext(qint64 from);
    // Starts looking for the last match beginning before before, wrapping to the end.
    void findPrevious(qint64 before);
    // True while a findNext/findPrevious runs.
    bool isSearching() const { return m_job.active; }

    // Must be called after the model gained or lost bytes: counting goes on over the new
    // bytes, or starts again after a clear.
    void textChanged();

    // Matches counted so far (non-overlapping, from the start of the text).
    qint64 matchCount() const { return m_count; }
    // True while counting has not reached the end of the text.
    bool isCounting() const;
    // How far counting has come, 0 to 100.
    int countProgress() const;

    // Searches synchronously: the first match beginning in [from, to), or an invalid match.
    Match firstMatch(qint64 from, qint64 to) const;

Q_SIGNALS:
    // A match [begin, end) was found; wrapped when the search went past an end of the text.
    void found(qint64 begin, qint64 end, bool wrapped);
    // No match anywhere in the text.
    void notFound();
    // The count or its progress changed.
    void countChanged(qint64 count, bool complete);

private:
    // Bytes of one stretch of the text, folded and decoded as the needle needs.
    struct Slice
    {
        qint64 base = 0;
        QByteArrayView bytes; // into a received chunk, or into buffer
        QByteArray buffer; // never shared, so its memory is reused from step to step
        std::vector<char32_t> chars; // decoded characters (fold mode only)
        std::vector<quint32> starts; // offset in bytes of each character, and of the end
    };

    const Slice& prepare(qint64 from, qint64 to) const;
    void copyBytes(qint64 from, qint64 length, bool writable) const;
    Match nextIn(const Slice& slice, qint64 from, qint64 limit) const;
    qint64 longestMatch() const;
    void schedule();
    void work();
    bool stepSearch();
    bool stepCount();
    void restartCount();

    const ResultTextModel& m_model;
    QString m_text;
    bool m_matchCase = false;
    enum class Mode { Bytes, AsciiFold, Fold } m_mode = Mode::Bytes;
    QByteArray m_needle; // UTF-8, ASCII-folded in AsciiFold mode
    std::vector<char32_t> m_foldedNeedle;

    struct Job
    {
        bool active = false;
        bool forward = true;
        bool wrapped = false;
        qint64 pos = 0; // next byte to look at (forward) or the end of what is left (backward)
        qint64 stop = 0; // where the search gives up once wrapped
    } m_job;

    qint64 m_count = 0;
    qint64 m_countPos = 0; // every match beginning before this is counted
    qint64 m_tailCount = 0; // matches near the end that more bytes could still change
    bool m_tailCounted = false;
    mutable Slice m_slice; // kept between steps: fresh buffers would be faulted in each time
    mutable std::vector<qint64> m_chunkStarts; // offset of each received chunk
    mutable qint64 m_seenSize = 0;
    QTimer m_timer;
    QElapsedTimer m_budget;
};
