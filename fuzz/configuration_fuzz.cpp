#include "FuzzSupport.h"
#include "persistence/AutoSettings.h"
#include "persistence/Configuration.h"
#include "persistence/SettingsPanel.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

class CountingPanel final : public SettingsPanel
{
public:
    qint32 AddAutoSetting(const QString&, const QString&, bool) override { return ++settings, 0; }
    qint32 AddHelpMenuItem(const QString& caption, const QString& target) override
    {
        FUZZ_CHECK(!caption.isEmpty() && !target.isEmpty());
        return 0;
    }
    int settings = 0;
};

} // namespace

// Any configuration file either loads (all five settings listed, every list readable) or is
// refused with the parse message; nothing in between faults.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("pelorinconfig.xml"));
    {
        QFile f(path);
        FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    QuietSinks sinks;
    Configuration config(sinks);
    AutoSettings settings;
    CountingPanel panel;
    if (!config.LoadConfiguration(path, settings, &panel)) {
        FUZZ_CHECK(sinks.messages > 0);
        return 0;
    }
    FUZZ_CHECK(panel.settings == 5);
    for (const QString& list :
         { Configuration::requestMethodsPath(), Configuration::httpVersionsPath() }) {
        const Configuration::ComboList combo = config.ListFromConfig(list);
        FUZZ_CHECK(combo.selected >= -1 && combo.selected < combo.entries.size());
    }
    for (const Configuration::HeaderInfo& header : config.HeaderCatalogue()) {
        bool multiple = false;
        QString separator;
        (void)config.GetHeaderValueList(header.name, multiple, separator);
    }
    return 0;
}
