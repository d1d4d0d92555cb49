#include "portchoices.h"

#include "files/inifile.h"
#include "ports/portsettings.h"

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

} // namespace

PortChoices::PortChoices(const QString &settingsFile, const SerialPortSource &source)
    : m_settingsFile(settingsFile)
{
    const PortNaming naming = source.naming();
    const PortMap portMap(settingsFile, naming);
    QMap<int, PortChoice> numbered;
    const auto numberedPort = [&numbered](int n) -> PortChoice & {
        auto it = numbered.find(n);
        if (it == numbered.end())
            it = numbered.insert(n, { u"COM"_s + QString::number(n), {}, n, {} });
        return *it;
    };
    for (int n = 1; n < FirstFreePort; ++n)
        numberedPort(n);
    for (auto it = portMap.mapped().cbegin(); it != portMap.mapped().cend(); ++it)
        numberedPort(it.key());

    QList<PortChoice> unmapped;
    QSet<QString> unmappedKeys;
    const QList<SerialPortEntry> found = source.ports();
    for (const SerialPortEntry &entry : found) {
        if (const int n = portMap.numberOf(entry)) {
            PortChoice &choice = numberedPort(n);
            if (choice.toolTip.isEmpty())
                choice.toolTip = toolTipOf(entry);
            continue;
        }
        // A Windows port that is not COMn cannot be stored as a number.
        if (naming == PortNaming::Windows || entry.systemLocation.isEmpty())
            continue;
        const QString key = deviceIdentity(entry.systemLocation);
        if (unmappedKeys.contains(key))
            continue;
        unmappedKeys.insert(key);
        unmapped.append({ entry.systemLocation, toolTipOf(entry), 0, entry.systemLocation });
    }

    // Nothing stored preselects COM1.
    const int preselected = resolveStoredPort(settingsFile, 1, naming).number;
    numberedPort(preselected);

    m_items = numbered.values();
    std::stable_sort(unmapped.begin(), unmapped.end(),
        [](const PortChoice &a, const PortChoice &b) { return naturalLess(a.text, b.text); });
    m_items += unmapped;
    m_preselected = int(std::distance(numbered.begin(), numbered.find(preselected)));
}

int PortChoices::freePort() const
{
    // The file as it is now, in case it changed while the list was shown.
    const PortMap portMap(m_settingsFile, PortNaming::DeviceFiles);
    QSet<int> listed;
    for (const PortChoice &choice : m_items)
        listed.insert(choice.port);
    for (int n = FirstFreePort; n <= MaxPortNumber; ++n) {
        if (!portMap.mapped().contains(n) && !listed.contains(n))
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
