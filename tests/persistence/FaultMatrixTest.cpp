#include "analysis/WebServicesRepository.h"
#include "editing/RequestFile.h"
#include "message/HTTPRequest.h"
#include "persistence/AppData.h"
#include "persistence/AutoSettings.h"
#include "persistence/Configuration.h"
#include "support/FileHelpers.h"
#include "support/Recorders.h"
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace FileHelpers;

namespace {

HTTPRequest historyItem(int i)
{
    HTTPRequest request;
    request.Server = u"h.example"_s;
    request.Port = u"80"_s;
    request.setURL(u"/page/"_s + QString::number(i));
    return request;
}

// The URLs recorded in a user data file, or nothing when it does not load.
std::optional<QStringList> recordedUrls(const QString& path)
{
    XmlDocument doc;
    if (!doc.load(path, { .requiredRoot = u"userdata"_s, .largeSectionsOf = {} }))
        return std::nullopt;
    QStringList urls;
    for (const XmlNode& url : doc.selectNodes(u"userdata/history/server/request/url"_s))
        urls.append(url.text());
    return urls;
}

// Sets or clears the immutable flag, which stops root too; false where the file system or
// the user's rights do not allow it.
bool setImmutable(const QString& path, bool on)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

// Makes path read-only for this process: by mode bits, and for root by the immutable flag.
class ReadOnly
{
public:
    explicit ReadOnly(const QString& path)
        : m_path(path)
        , m_permissions(QFile::permissions(path))
    {
        QFile::setPermissions(path,
                              m_permissions
                                  & ~(QFileDevice::WriteOwner | QFileDevice::WriteUser
                                      | QFileDevice::WriteGroup | QFileDevice::WriteOther));
        if (geteuid() == 0)
            m_immutable = setImmutable(path, true);
    }
    ~ReadOnly()
    {
        if (m_immutable)
            setImmutable(m_path, false);
        QFile::setPermissions(m_path, m_permissions);
    }
    // False when nothing here stops this user from writing (root without the immutable flag).
    bool enforced() const { return geteuid() != 0 || m_immutable; }
    Q_DISABLE_COPY_MOVE(ReadOnly)

private:
    QString m_path;
    QFileDevice::Permissions m_permissions;
    bool m_immutable = false;
};

class FaultMatrixTest : public ::testing::Test
{
protected:
    QString file(const QString& name) const { return QDir(dir.path()).filePath(name); }

    QTemporaryDir dir;
    MessageRecorder sink;
};

} // namespace

TEST_F(FaultMatrixTest, KilledDuringUserDataSavesLeavesTheOldOrTheNewDocument)
{
    const DataFolder folder(dir.path());
    // Enough history that one save takes a while, so kills land inside it.
    constexpr int kBase = 3000;
    {
        AppData data(folder, sink);
        ASSERT_EQ(data.LoadUserData(), AppData::UserDataState::FirstStart);
        for (int i = 0; i < kBase; ++i)
            ASSERT_EQ(data.history().AddHistoryItem(historyItem(i)), 0);
        ASSERT_TRUE(data.SaveUserData());
    }
    for (int attempt = 0; attempt < 20; ++attempt) {
        int progress[2];
        ASSERT_EQ(::pipe(progress), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(progress[0]);
            MessageRecorder quiet;
            AppData data(folder, quiet);
            if (data.LoadUserData() != AppData::UserDataState::Loaded)
                ::_exit(3);
            for (int next = int(data.history().GetHistoryURLs(u"h.example"_s, u"80"_s).size());;
                 ++next) {
                data.history().AddHistoryItem(historyItem(next));
                // Both ways of flushing are replaced atomically.
                if (!data.SaveUserData(next % 2 ? Flush::ToSystem : Flush::ToDisk))
                    ::_exit(4);
                (void)!::write(progress[1], "s", 1);
            }
        }
        ::close(progress[1]);
        // Let a few saves finish, then kill at a varying point of the next one.
        char c = 0;
        for (int saves = 0; saves < 1 + attempt % 3; ++saves)
            ASSERT_EQ(::read(progress[0], &c, 1), 1) << "the saving child ended early";
        volatile quint32 spin = QRandomGenerator::global()->bounded(2000000u);
        while (spin > 0)
            spin = spin - 1;
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ::close(progress[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << "child exit status " << WEXITSTATUS(status);

        const std::optional<QStringList> urls = recordedUrls(folder.userDataFile());
        ASSERT_TRUE(urls) << "torn user data file after kill " << attempt;
        ASSERT_GE(urls->size(), kBase);
        for (int i = 0; i < urls->size(); ++i)
            ASSERT_EQ(urls->at(i), u"/page/"_s + QString::number(i)) << "kill " << attempt;
    }
}

TEST_F(FaultMatrixTest, FullDiskFailsRequestFileSavesWithAMessageAndKeepsThePreviousFile)
{
    const QString path = file(u"req.phr"_s);
    HTTPRequest small = historyItem(1);
    ASSERT_TRUE(SaveRequestFile(small, path));
    const QByteArray previous = readFile(path);

    HTTPRequest big = historyItem(2);
    big.Body.setContents(QString(64 * 1024, u'x'));
    Result saved;
    {
        FileSizeLimit limit(4096);
        saved = SaveRequestFile(big, path);
    }
    EXPECT_FALSE(saved);
    EXPECT_TRUE(saved.text.contains(path)) << saved.text.toStdString();
    EXPECT_EQ(readFile(path), previous);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList { u"req.phr"_s });
}

TEST_F(FaultMatrixTest, ReadOnlyDataFileOrFolderFailsTheSaveAndKeepsTheFile)
{
    const DataFolder folder(dir.path());
    const QByteArray previous = DataFolder::emptyUserData();
    ASSERT_TRUE(writeFile(folder.userDataFile(), previous));
    AppData data(folder, sink);
    ASSERT_EQ(data.LoadUserData(), AppData::UserDataState::Loaded);
    ASSERT_EQ(data.history().AddHistoryItem(historyItem(1)), 0);

    for (const QString& target : { folder.userDataFile(), dir.path() }) {
        Result saved;
        {
            ReadOnly readOnly(target);
            if (!readOnly.enforced())
                GTEST_SKIP() << "neither mode bits nor the immutable flag stop root here";
            saved = data.SaveUserData();
        }
        EXPECT_FALSE(saved) << target.toStdString();
        EXPECT_FALSE(saved.text.isEmpty());
        EXPECT_EQ(readFile(folder.userDataFile()), previous);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList { u"pelorinuser.xml"_s });
    }
    const Result saved = data.SaveUserData();
    EXPECT_TRUE(saved) << saved.text.toStdString();
}

TEST_F(FaultMatrixTest, MalformedHugeBinaryOrDeepFilesAreRefusedNamingTheFile)
{
    // Request files: binary, huge binary, and a body nesting 200,000 elements.
    QByteArray deep
        = "<request><host>h</host><port>80</port><url>/</url><httpver>HTTP/1.1</httpver>"
          "<method>GET</method><header/><body>"_ba;
    deep += QByteArray("<b>").repeated(200000) + QByteArray("</b>").repeated(200000);
    deep += "</body><secure>False</secure></request>";
    QByteArray binary(256, '\0');
    for (int i = 0; i < binary.size(); ++i)
        binary[i] = char(i);
    const QList<std::pair<QString, QByteArray>> files {
        { u"binary.phr"_s, binary },
        { u"huge.phr"_s, binary.repeated(64 * 1024) },
        { u"deep.phr"_s, deep },
    };
    for (const auto& [name, bytes] : files) {
        const QString path = file(name);
        ASSERT_TRUE(writeFile(path, bytes));
        HTTPRequest request;
        const Result read = LoadRequestFile(path, request);
        EXPECT_FALSE(read) << name.toStdString();
        EXPECT_TRUE(read.text.contains(path)) << read.text.toStdString();
        EXPECT_EQ(readFile(path), bytes) << name.toStdString();
    }

    // Configuration: refused with the parse message naming the file.
    const QString config = file(u"pelorinconfig.xml"_s);
    ASSERT_TRUE(writeFile(config, binary));
    Configuration configuration(sink);
    AutoSettings settings;
    EXPECT_FALSE(configuration.LoadConfiguration(config, settings, nullptr));
    ASSERT_FALSE(sink.messages.isEmpty());
    EXPECT_TRUE(sink.messages.last().text.startsWith(u"Error parsing pelorinconfig.xml: (line "_s));
    EXPECT_EQ(readFile(config), binary);

    // User data nesting deeper than any real file: set aside like a malformed one, kept whole.
    const DataFolder folder(dir.path());
    const QByteArray deepUser
        = "<userdata><cookies/><history><server name=\"h\" port=\"80\"><request><url>"_ba
        + QByteArray("<x>").repeated(200000) + "/deep" + QByteArray("</x>").repeated(200000)
        + "</url></request></server></history></userdata>";
    ASSERT_TRUE(writeFile(folder.userDataFile(), deepUser));
    AppData data(folder, sink);
    EXPECT_EQ(data.LoadUserData(), AppData::UserDataState::MovedAside);
    EXPECT_TRUE(sink.messages.last().text.startsWith(u"Error parsing pelorinuser.xml: (line "_s));
    EXPECT_EQ(readFile(data.brokenFileCopy()), deepUser);
    EXPECT_TRUE(data.history().GetHistoryURLs(u"h"_s, u"80"_s).isEmpty());

    // WSDL repository: a truncated document, stored or stored over, and a broken index.
    const QString services = file(u"webservices"_s);
    WebServicesRepository repository(services);
    const QByteArray wsdl = "<definitions name=\"shop\"><portType name=\"p\"/></definitions>";
    const QByteArray truncated = wsdl.left(30);
    ASSERT_TRUE(repository.StoreWSDLFile(wsdl, u"http://h/shop.wsdl"_s));
    EXPECT_FALSE(repository.StoreWSDLFile(truncated, u"http://h/shop.wsdl"_s));
    const QString broken = QDir(services).filePath(u"broken.wsdl"_s);
    ASSERT_TRUE(writeFile(broken, truncated));
    QByteArray document = "stale";
    const RepositoryResult read = repository.ReadWSDLFile(u"broken.wsdl"_s, document);
    EXPECT_FALSE(read);
    EXPECT_TRUE(read.text.startsWith(u"Error parsing "_s + broken + u": (line 1) "_s))
        << read.text.toStdString();
    EXPECT_TRUE(document.isEmpty());
    const QString index = QDir(services).filePath(u"index.xml"_s);
    const QByteArray brokenIndex = readFile(index).replace("</webservices>", "");
    ASSERT_TRUE(writeFile(index, brokenIndex));
    const RepositoryResult refused = repository.StoreWSDLFile(wsdl, u"http://h/new.wsdl"_s);
    EXPECT_FALSE(refused);
    EXPECT_TRUE(refused.text.startsWith(u"Error parsing "_s + index + u": (line "_s))
        << refused.text.toStdString();
    EXPECT_EQ(QDir(services).entryList(QDir::Files).join(u' ').toStdString(),
              "broken.wsdl index.xml shop.wsdl");
    EXPECT_EQ(readFile(QDir(services).filePath(u"shop.wsdl"_s)), wsdl);
    EXPECT_EQ(readFile(broken), truncated);
    EXPECT_EQ(readFile(index), brokenIndex);
}
