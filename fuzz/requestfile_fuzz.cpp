#include "FuzzSupport.h"
#include "editing/HeaderTable.h"
#include "editing/RequestFile.h"
#include "message/HTTPRequest.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

// Header text only ever reaches a request through the header grid, so it is compared as the
// rows it gives there.
QList<HeaderTable::Row> headerRows(const QString& text)
{
    HeaderTable table;
    table.LoadHeadersFromText(text);
    return table.rows();
}

bool same(const HTTPRequest& a, const HTTPRequest& b)
{
    return a.Server == b.Server && a.Port == b.Port && a.URL() == b.URL() && a.HTTPver == b.HTTPver
        && a.Method() == b.Method() && headerRows(a.Header) == headerRows(b.Header)
        && a.Body.filePath() == b.Body.filePath()
        // A body from a file shows the file's size as it is when loaded.
        && (!a.Body.filePath().isEmpty() || a.Body.Contents() == b.Body.Contents())
        && a.Secure == b.Secure;
}

} // namespace

// Any file either fails to load with a message naming it, or loads into a request that, saved
// and loaded again, comes back equal.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("in.phr"));
    const QString copy = dir.filePath(QStringLiteral("copy.phr"));
    {
        QFile f(path);
        FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    HTTPRequest loaded;
    if (const Result read = LoadRequestFile(path, loaded); !read) {
        FUZZ_CHECK(read.text.contains(path));
        return 0;
    }
    FUZZ_CHECK(SaveRequestFile(loaded, copy));
    HTTPRequest back;
    FUZZ_CHECK(LoadRequestFile(copy, back));
    FUZZ_CHECK(same(loaded, back));
    return 0;
}
