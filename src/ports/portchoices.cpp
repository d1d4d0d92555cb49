#include "portchoices.h"

#include "files/inifile.h"

#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QSet>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace kalvidor {

namespace {

QString toolTipOf(const SerialPortEntry &entry)
{
    QStringList lines;
    if (!entry.description.isEmpty())
        lines << entry.description;
    if (!entry.manufacturer.isEmpty())
        lines << entry.manufacturer;
    return lines.join(u'\n');
}

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

QStringView digitRun(QStringView text, qsizetype &at)
{
    const qsizetype start = at;
    while (at < text.size() && isAsciiDigit(text[at]))
        ++at;
    QStringView run = text.sliced(start, at - start);
    while (run.size() > 1 && run.front() == u'0')
        run = run.sliced(1);
    return run;
}

// Runs of digits compare by their value, so ttyUSB2 comes before ttyUSB10.
bool naturalLess(QStringView a, QStringView b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (isAsciiDigit(a[i]) && isAsciiDigit(b[j])) {
            const QStringView x = digitRun(a, i);
            const QStringView y = digitRun(b, j);
            if (x.size() != y.size())
                return x.size() < y.size();
            if (const int order = x.compare(y); order != 0)
                return order < 0;
            continue;
        }
        if (a[i] != b[j])
            return a[i] < b[j];
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

// Keys COM1 to COM256 of section PORTS.
QMap<int, QString> portMapping(const QString &settingsFile)
{
    QMap<int, QString> mapping;
    if (!QFileInfo::exists(settingsFile))
        return mapping;
    for (int n = 1; n <= MaxPortNumber; ++n) {
        const QString device = readIni(u"PORTS"_s, u"COM"_s + QString::number(n), settingsFile);
        if (device != u"ERR")
            mapping.insert(n, device);
    }
    return mapping;
}

// Two names of one device (a link to it, say) compare equal.
QString deviceKey(const QString &device)
{
    const QString canonical = QFileInfo(device).canonicalFilePath();
    return canonical.isEmpty() ? device : canonical;
}

// k for "/dev/ttyS<k>", else -1.
int legacyDeviceIndex(const QString &device)
{
    static const QString prefix = u"/dev/ttyS"_s;
    if (!device.startsWith(prefix) || device.size() == prefix.size()
        || device.size() > prefix.size() + 3)
        return -1;
    bool ok = false;
    const int k = QStringView(device).sliced(prefix.size()).toInt(&ok);
    return ok && QString::number(k).size() == device.size() - prefix.size() ? k : -1;
}

} // namespace

PortChoices::PortChoices(const QString &settingsFile, const SerialPortSource &source)
    : m_settingsFile(settingsFile)
{
    const PortNaming naming = source.naming();
    QMap<int, PortChoice> numbered;
    const auto numberedPort = [&numbered](int n) -> PortChoice & {
        auto it = numbered.find(n);
        if (it == numbered.end())
            it = numbered.insert(n, { u"COM"_s + QString::number(n), {}, n, {} });
        return *it;
    };
    for (int n = 1; n < FirstFreePort; ++n)
        numberedPort(n);

    QMap<int, QString> mapping;
    QHash<QString, int> mappedNumber; // the lowest number that maps a device
    if (naming == PortNaming::DeviceFiles) {
        mapping = portMapping(settingsFile);
        for (auto it = mapping.cbegin(); it != mapping.cend(); ++it) {
            numberedPort(it.key());
            const QString key = deviceKey(it.value());
            if (!key.isEmpty() && !mappedNumber.contains(key))
                mappedNumber.insert(key, it.key());
        }
    }
    const auto numberOf = [&](const SerialPortEntry &entry) {
        if (naming == PortNaming::Windows)
            return comPortNumber(entry.portName);
        if (const int n = mappedNumber.value(deviceKey(entry.systemLocation)))
            return n;
        // Without a mapping, port n opens /dev/ttyS{n-1}.
        const int k = legacyDeviceIndex(entry.systemLocation);
        if (k >= 0 && k < MaxPortNumber && !mapping.contains(k + 1))
            return k + 1;
        return 0;
    };

    QList<PortChoice> unmapped;
    QSet<QString> unmappedKeys;
    const QList<SerialPortEntry> found = source.ports();
    for (const SerialPortEntry &entry : found) {
        if (const int n = numberOf(entry)) {
            PortChoice &choice = numberedPort(n);
            if (choice.toolTip.isEmpty())
                choice.toolTip = toolTipOf(entry);
            continue;
        }
        // A Windows port that is not COMn cannot be stored as a number.
        if (naming == PortNaming::Windows || entry.systemLocation.isEmpty())
            continue;
        const QString key = deviceKey(entry.systemLocation);
        if (unmappedKeys.contains(key))
            continue;
        unmappedKeys.insert(key);
        unmapped.append({ entry.systemLocation, toolTipOf(entry), 0, entry.systemLocation });
    }

    const int stored = storedPortNumber(settingsFile);
    if (stored > 0)
        numberedPort(stored);

    m_items = numbered.values();
    std::stable_sort(unmapped.begin(), unmapped.end(),
        [](const PortChoice &a, const PortChoice &b) { return naturalLess(a.text, b.text); });
    m_items += unmapped;
    if (stored > 0)
        m_preselected = int(std::distance(numbered.begin(), numbered.find(stored)));
}

int PortChoices::freePort() const
{
    // The file as it is now, in case it changed while the list was shown.
    const QMap<int, QString> mapping = portMapping(m_settingsFile);
    QSet<int> listed;
    for (const PortChoice &choice : m_items)
        listed.insert(choice.port);
    for (int n = FirstFreePort; n <= MaxPortNumber; ++n) {
        if (!mapping.contains(n) && !listed.contains(n))
            return n;
    }
    return 0;
}

QString PortChoices::portValue(int index) const
{
    if (index < 0 || index >= m_items.size())
        return u"0"_s;
    int port = m_items[index].port;
    if (port == 0)
        port = freePort();
    return port > 0 ? QString::number(port) : QString();
}

bool PortChoices::store(int index) const
{
    const QString value = portValue(index);
    if (value.isEmpty())
        return false;
    if (index >= 0 && index < m_items.size() && m_items[index].port == 0) {
        // The mapping first: a number without it would lead to /dev/ttyS{n-1}.
        if (!writeIni(u"PORTS"_s, u"COM"_s + value, m_settingsFile, m_items[index].device))
            return false;
    }
    return writeIni(u"CONF"_s, u"PORT"_s, m_settingsFile, value);
}

} // namespace kalvidor
