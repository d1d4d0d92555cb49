#include "soak.h"

#include "app/application.h"
#include "app/linkwindow.h"
#include "app/mainwindow.h"
#include "app/objectnames.h"
#include "app/portdialog.h"
#include "app/unitoperations.h"
#include "document/tabledocument.h"
#include "files/idtablefile.h"
#include "files/inifile.h"
#include "link/unitlink.h"

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>

using namespace Qt::StringLiterals;

namespace kalvidor::soak {

namespace {

const QString Banner = u"NELOR Ver1.00"_s;

// Resident memory in kB, from /proc/self/status.
long residentKb()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

// What each open file descriptor refers to.
QStringList openFiles()
{
    QStringList files;
    const QDir fds(u"/proc/self/fd"_s);
    for (const QString &fd : fds.entryList(QDir::NoDotAndDotDot | QDir::System))
        files << QFile::symLinkTarget(fds.filePath(fd));
    return files;
}

// A table whose IDs share the upper digits of the base, as the unit gives
// them back; about a third of the rows are empty.
IdCodeTable randomTable(QRandomGenerator &random)
{
    IdCodeTable t;
    const qint32 upper = qint32(random.bounded(1, 0xFFF)) << 16;
    t.ids[0] = upper | qint32(random.bounded(0x10000));
    for (int slot = 1; slot < SlotCount; ++slot)
        t.ids[slot] = random.bounded(3) == 0 ? t.ids[0] : upper | qint32(random.bounded(0x10000));
    t.holdTime = qint16(1 + random.bounded(99));
    t.operatorAllowance = qint16(1 + random.bounded(4));
    return t;
}

bool sameContent(const IdCodeTable &a, const IdCodeTable &b)
{
    return a.ids == b.ids && a.holdTime == b.holdTime && a.operatorAllowance == b.operatorAllowance;
}

QString tableDifference(const IdCodeTable &actual, const IdCodeTable &expected)
{
    QStringList parts;
    for (int slot = 0; slot < SlotCount && parts.size() < 4; ++slot) {
        if (actual.ids[slot] != expected.ids[slot])
            parts << u"slot %1 is %2, expected %3"_s.arg(slot).arg(
                idText(actual.ids[slot]), idText(expected.ids[slot]));
    }
    if (actual.holdTime != expected.holdTime)
        parts << u"hold time %1, expected %2"_s.arg(actual.holdTime).arg(expected.holdTime);
    if (actual.operatorAllowance != expected.operatorAllowance)
        parts << u"allowance %1, expected %2"_s.arg(actual.operatorAllowance)
                     .arg(expected.operatorAllowance);
    return parts.join(u"; "_s);
}

// Line ends shown as \r and \n.
QString visible(QString text)
{
    return text.replace(u'\r', u"\\r"_s).replace(u'\n', u"\\n"_s);
}

QString quoted(const QStringList &texts)
{
    return texts.isEmpty() ? u"(none)"_s : u"\""_s + texts.join(u"\", \""_s) + u'"';
}

MessageIcon iconOf(const QString &text)
{
    return text == expected::PortMessage || text == expected::Differ ? MessageIcon::Exclamation
                                                                     : MessageIcon::Information;
}

} // namespace

struct Soak::Cycle
{
    Cycle(int number, Fault fault, QRandomGenerator random)
        : number(number)
        , fault(fault)
        , random(random)
        , unit(fault)
    {
    }
    int number;
    Fault fault;
    QRandomGenerator random;
    UnitModel unit;
    IdCodeTable shown; // what the window's fields show
    bool banner = false;
    // The replies shown before the line reopened, when it did: the unit
    // may send its banner again then, which replaces the display.
    qsizetype repliesBeforeReopen = -1;
};

Soak::Soak(SoakOptions options, QTextStream &out)
    : m_options(std::move(options))
    , m_out(out)
{
    m_interference.setSingleShot(true);
    QObject::connect(&m_interference, &QTimer::timeout, [this] { interfere(); });
}

Soak::~Soak()
{
    m_application.reset();
    m_simulator.reset();
}

int Soak::run()
{
    if (!m_dir.isValid()) {
        m_out << "kalvidor-soak: cannot create a temporary folder\n";
        return 2;
    }
    const QString device = m_dir.filePath(u"nelor"_s);
    m_simulator = std::make_unique<SimulatorProcess>(
        m_options.simulator, device, m_dir.filePath(u"commands.log"_s));
    // COM1 leads to the simulator's pseudo-terminal.
    const QString settings = settingsFilePath(m_dir.path());
    writeIni(u"CONF"_s, u"PORT"_s, settings, u"1"_s);
    writeIni(u"PORTS"_s, u"COM1"_s, settings, device);

    const int limit = m_options.limitMs;
    MainWindowServices services { m_dir.path(), &m_messages, nullptr,
        LinkLimits {
            .sid = limit, .rid = limit, .stm = limit, .snm = limit, .rtm = limit, .rnm = limit },
        TickIntervalMs };
    m_application = std::make_unique<Application>(services);
    m_window = &m_application->window();
    m_window->show();

    m_out << "kalvidor-soak: seed " << m_options.seed << ", "
          << (m_options.only ? u"cycle %1 only"_s.arg(m_options.only)
                             : u"%1 cycles"_s.arg(m_options.cycles))
          << ", reply time limit " << limit << " ms, simulator " << m_options.simulator << "\n";
    m_out.flush();

    std::array<long, 3> rss { residentKb(), 0, 0 }; // start, after the first cycle, end
    std::array<QStringList, 3> files { openFiles(), {}, {} }; // as rss
    QElapsedTimer clock;
    clock.start();
    const int first = m_options.only ? m_options.only : 1;
    const int last = m_options.only ? m_options.only : m_options.cycles;
    for (int n = first; n <= last; ++n) {
        const qint64 cycleStart = clock.elapsed();
        runCycle(n);
        if (m_options.verbose) {
            m_out << "  " << clock.elapsed() - cycleStart << " ms\n";
            m_out.flush();
        }
        // Let go of what the cycle left for later: the closed port dialog.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        if (n == first) {
            rss[1] = residentKb();
            files[1] = openFiles();
        }
    }
    rss[2] = residentKb();
    files[2] = openFiles();
    report(clock.elapsed(), rss, files);

    const double growthMb = (rss[2] - rss[1]) / 1024.0;
#if defined(__SANITIZE_ADDRESS__)
    const bool memoryChecked = false; // the quarantine keeps freed memory resident
#else
    const bool memoryChecked = m_cyclesRun > 1;
#endif
    const bool memoryFlat = !memoryChecked || growthMb <= m_options.maxGrowthMb;
    const bool filesFlat = files[2].size() <= files[1].size();
    return m_mismatches == 0 && memoryFlat && filesFlat ? 0 : 1;
}

void Soak::runCycle(int number)
{
    // Each cycle draws from its own generator, so one cycle replays alone.
    const quint32 words[]
        = { quint32(m_options.seed), quint32(m_options.seed >> 32), quint32(number) };
    QRandomGenerator random(std::begin(words), std::end(words));
    const FaultKind kind = m_options.eachKind ? FaultKind((number - 1) % FaultKindCount)
                                              : FaultKind(random.bounded(FaultKindCount));
    const Fault fault = Fault::random(kind, random);
    Cycle c(number, fault, random);
    ++m_cyclesRun;
    ++m_faults[int(kind)];

    // The unit starts with contents of its own, which the read must not
    // confuse with the window's.
    const IdCodeTable before = randomTable(c.random);
    for (int slot = 0; slot < SlotCount; ++slot)
        c.unit.writeSlot(slot, before.ids[slot]);
    c.unit.holdTime = before.holdTime;
    c.unit.allowance = before.operatorAllowance;
    c.banner = c.random.bounded(2) == 1;
    QStringList options = c.unit.presetOptions() + fault.simulatorOptions();
    options << u"--seed"_s << QString::number(c.random.bounded(1000000));
    if (c.banner)
        options << u"--banner"_s << Banner;
    if (m_options.verbose) {
        m_out << "cycle " << number << ": " << fault.describe() << (c.banner ? ", banner" : "")
              << "\n";
        m_out.flush();
    }
    if (!m_simulator->start(options)) {
        mismatch(c, u"start"_s, u"the simulator did not start: "_s + m_simulator->errorString());
        return;
    }
    // A new line: the link must open it again, as after the port dialog.
    reloadLink(c);
    m_window->findChild<QPushButton *>(ObjectName::ClearReceiveDisplay)->click();
    if (!m_window->receivedText().isEmpty())
        mismatch(c, u"clear"_s,
            u"the receive display kept \"%1\""_s.arg(visible(m_window->receivedText())));

    // Write, with the user poking at the window meanwhile in half the cycles.
    IdCodeTable expected = randomTable(c.random);
    putTable(c, expected);
    const bool poke = c.random.bounded(2) == 1;
    if (poke)
        m_interference.start(c.random.bounded(15));
    command(c, u"write"_s, ObjectName::WriteAction, expectWrite(c.unit, expected), expected);
    m_interference.stop();

    // Read into a window that shows something else.
    expected = randomTable(c.random);
    putTable(c, expected);
    bool refreshed = false;
    QStringList messages = expectRead(c.unit, expected, refreshed);
    command(c, u"read"_s, ObjectName::ReadAction, messages, expected);
    if (refreshed)
        c.shown = expected;

    if (!c.unit.portOpen) {
        // The line went away. The user reloads the link (the port dialog)
        // once it is back, and it works again.
        if (!m_simulator->waitForAnnouncement("REOPENED", 5000)) {
            mismatch(c, u"reopen"_s, m_simulator->errorString());
        } else {
            reloadLink(c);
            c.unit.portOpen = true;
            c.repliesBeforeReopen = c.unit.shownReplies().size();
            expected = randomTable(c.random);
            putTable(c, expected);
            command(c, u"write after reopening"_s, ObjectName::WriteAction,
                expectWrite(c.unit, expected), expected);
            putTable(c, randomTable(c.random));
            messages = expectRead(c.unit, expected, refreshed);
            command(c, u"read after reopening"_s, ObjectName::ReadAction, messages, expected);
            if (refreshed)
                c.shown = expected;
        }
    }

    // Replies one byte a millisecond make a compare take seconds; the
    // write and the read have had them.
    if (fault.kind == FaultKind::Split && fault.splitPauseMs > 0) {
        finishCycle(c);
        return;
    }

    // A read that stopped part-way left the window showing older rows, which
    // the compare would take back into the table; show the table first, as
    // a scroll would.
    if (!sameContent(c.shown, m_application->document().table())) {
        m_window->showTable();
        c.shown = m_application->document().table();
    }
    expected = m_application->document().table();
    if (c.random.bounded(2) == 1)
        changeVisibleRow(c, expected);
    command(c, u"compare"_s, ObjectName::CompareAction, expectCompare(c.unit, expected), expected);
    finishCycle(c);
}

void Soak::finishCycle(Cycle &c)
{
    const int logged = int(m_simulator->commandLog().size());
    if (logged != c.unit.commandsReceived())
        mismatch(c, u"command log"_s,
            u"the unit received %1 command lines, expected %2"_s.arg(logged).arg(
                c.unit.commandsReceived()));
    const QString lineEnd = c.fault.kind == FaultKind::CrLf ? u"\r\n"_s : u"\r"_s;
    const QString banner = c.banner ? u"ROM Ver1.00"_s + lineEnd : QString();
    const QStringList replies = c.unit.shownReplies();
    QString display = banner;
    for (const QString &reply : replies)
        display += reply + lineEnd;
    // After a reopened line the banner may come again, in front of the
    // replies since (the line may also swallow it).
    QString displayAfterReopen;
    if (c.banner && c.repliesBeforeReopen >= 0) {
        displayAfterReopen = banner;
        for (const QString &reply : replies.mid(c.repliesBeforeReopen))
            displayAfterReopen += reply + lineEnd;
    }
    const auto expectedShown = [&] {
        const QString shown = m_window->receivedText();
        return shown == display || (!displayAfterReopen.isEmpty() && shown == displayAfterReopen);
    };
    // The last reply reaches the display at the next look for unit text.
    QDeadlineTimer deadline(4 * TickIntervalMs);
    while (!expectedShown() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    if (!expectedShown())
        mismatch(c, u"receive display"_s,
            u"shows \"%1\", expected \"%2\""_s.arg(
                visible(m_window->receivedText()), visible(display)));
    m_simulator->stop();
}

void Soak::reloadLink(Cycle &c)
{
    UnitOperations &ops = m_application->unitOperations();
    ops.openPortDialog();
    PortDialog *dialog = ops.portDialog();
    // OK stores the port already stored; Cancel and the close box store nothing.
    switch (c.random.bounded(3)) {
    case 0:
        dialog->okButton()->click();
        break;
    case 1:
        dialog->cancelButton()->click();
        break;
    default:
        dialog->close();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (ops.link().isLoaded() || ops.portDialog())
        mismatch(c, u"port dialog"_s, u"closing it left the link loaded or the dialog open"_s);
    if (readIni(u"CONF"_s, u"PORT"_s, settingsFilePath(m_dir.path())) != u"1")
        mismatch(c, u"port dialog"_s, u"the stored port changed"_s);
    const QList<Message> shown = m_messages.take();
    if (!shown.isEmpty())
        mismatch(c, u"port dialog"_s, u"showed \"%1\""_s.arg(shown.first().text));
}

void Soak::putTable(Cycle &c, const IdCodeTable &table)
{
    // Scroll first: a scroll takes the rows on screen into the table.
    for (int i = 0; i < 3; ++i) {
        QScrollBar *bar
            = m_window->findChild<QScrollBar *>(ObjectName::rowName(ObjectName::ScrollBars, i));
        bar->setValue(c.random.bounded(bar->maximum() + 1));
    }
    IdCodeTable &t = m_application->document().table();
    t.ids = table.ids;
    t.holdTime = table.holdTime;
    t.operatorAllowance = table.operatorAllowance;
    m_window->showTable();
    c.shown = table;
    const QList<Message> shown = m_messages.take();
    if (!shown.isEmpty())
        mismatch(c, u"table"_s, u"showing it said \"%1\""_s.arg(shown.first().text));
}

void Soak::changeVisibleRow(Cycle &c, IdCodeTable &expected)
{
    const auto list = IdList(c.random.bounded(ListCount));
    const int row = c.random.bounded(RowsPerList);
    const ScrollOffsets at = m_window->scrollPositions();
    const int offset = list == IdList::Operators ? at.operators
        : list == IdList::HeavyMachines          ? at.heavyMachines
        : list == IdList::Vehicles               ? at.vehicles
                                                 : 0;
    const int slot = slotOfRow(list, offset, row);
    const qint32 upper = expected.ids[0] & ~0xFFFF;
    qint32 value = expected.ids[slot];
    while (value == expected.ids[slot] || value == expected.ids[0])
        value = upper | qint32(c.random.bounded(0x10000));
    m_window->findChild<QLineEdit *>(ObjectName::rowName(ObjectName::ListRows[int(list)], row))
        ->setText(idText(value));
    expected.ids[slot] = value;
}

void Soak::command(Cycle &c, const QString &step, const QString &menuItem,
    const QStringList &messages, const IdCodeTable &expected)
{
    m_window->action(menuItem)->trigger();

    const QList<Message> shown = m_messages.take();
    QStringList texts;
    for (const Message &m : shown)
        texts << m.text;
    if (texts != messages)
        mismatch(c, step, u"showed %1, expected %2"_s.arg(quoted(texts), quoted(messages)));
    for (const Message &m : shown) {
        if (m.icon != iconOf(m.text))
            mismatch(c, step, u"\"%1\" with the wrong icon"_s.arg(m.text));
    }
    if (!sameContent(m_application->document().table(), expected))
        mismatch(
            c, step, u"table: "_s + tableDifference(m_application->document().table(), expected));
    UnitOperations &ops = m_application->unitOperations();
    if (ops.isRunning() || ops.linkWindow()->isVisible() || !m_window->menuBar()->isEnabled())
        mismatch(
            c, step, u"the window was not given back (still running, Form1 shown or menus off)"_s);
}

void Soak::interfere()
{
    UnitOperations &ops = m_application->unitOperations();
    // Only while a command runs: afterwards these would start real commands.
    if (!ops.isRunning())
        return;
    ++m_interferences;
    // Each of these must be ignored: no command line, no message, no change.
    m_window->action(ObjectName::ReadAction)->trigger();
    m_window->action(ObjectName::CompareAction)->trigger();
    m_window->action(ObjectName::WriteAction)->trigger();
    m_window->writeButton()->click();
    ops.openPortDialog();
    if (PortDialog *dialog = ops.portDialog()) {
        dialog->cancelButton()->click();
        dialog->close();
    }
}

void Soak::mismatch(const Cycle &c, const QString &step, const QString &what)
{
    ++m_mismatches;
    if (m_failedCycles.isEmpty() || m_failedCycles.last() != c.number)
        m_failedCycles << c.number;
    m_out << "MISMATCH cycle " << c.number << " [" << c.fault.describe() << "] " << step << ": "
          << what << "\n";
    m_out.flush();
}

void Soak::report(
    qint64 elapsedMs, const std::array<long, 3> &rssKb, const std::array<QStringList, 3> &files)
{
    const auto mb = [](long kb) { return QString::number(kb / 1024.0, 'f', 1); };
    m_out << "cycles: " << m_cyclesRun << " in " << QString::number(elapsedMs / 1000.0, 'f', 1)
          << " s\nfaults:";
    for (int k = 0; k < FaultKindCount; ++k)
        m_out << ' ' << faultKindName(FaultKind(k)) << ' ' << m_faults[k];
    m_out << "\ninput during a write: " << m_interferences << " times\n";
    m_out << "mismatches: " << m_mismatches;
    if (!m_failedCycles.isEmpty()) {
        QStringList numbers;
        for (int n : std::as_const(m_failedCycles))
            numbers << QString::number(n);
        m_out << " in cycles " << numbers.join(u", "_s) << " (replay one with --seed "
              << m_options.seed << " --only N)";
    }
    m_out << "\nresident memory (VmRSS): start " << mb(rssKb[0]) << " MB, after the first cycle "
          << mb(rssKb[1]) << " MB, end " << mb(rssKb[2]) << " MB; growth since the first cycle "
          << mb(rssKb[2] - rssKb[1]) << " MB (limit " << m_options.maxGrowthMb << " MB"
#if defined(__SANITIZE_ADDRESS__)
          << ", not checked under AddressSanitizer"
#endif
          << "), since the start " << mb(rssKb[2] - rssKb[0]) << " MB\n";
    m_out << "open files: start " << files[0].size() << ", after the first cycle "
          << files[1].size() << ", end " << files[2].size();
    QStringList added = files[2];
    for (const QString &file : files[1])
        added.removeOne(file);
    if (files[2].size() > files[1].size())
        m_out << " (since the first cycle: " << added.join(u", "_s) << ")";
    m_out << "\n";
    m_out.flush();
}

} // namespace kalvidor::soak
