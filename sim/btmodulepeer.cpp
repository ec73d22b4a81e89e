#include "btmodulepeer.h"

#include "btinquiry.h"
#include "btremotepeer.h"
#include "controlchannel.h"
#include "devicetree.h"
#include "modulemodeline.h"
#include "ptyport.h"

#include <QPointer>
#include <QStringList>
#include <QTime>

#include <algorithm>

namespace Sim {

namespace {


} // namespace

BtModulePeer::BtModulePeer(const QString &root, PtyPort *port, QObject *parent)
    : QObject(parent), m_root(root), m_port(port)
{
    if (m_port)
        connect(m_port, &PtyPort::received, this, &BtModulePeer::receive);
    // The module's own address ends in its port number (ttyO2: ...:00:02).
    const QString name = portName();
    m_address = "02:00:00:39:00:0" + (name.isEmpty() ? QByteArray("0") : name.right(1).toLatin1());
    m_name = "TQ3900-" + name.toLatin1();
    m_clock.start();
    m_dueTimer.setSingleShot(true);
    connect(&m_dueTimer, &QTimer::timeout, this, &BtModulePeer::runDue);
    connect(&m_autocallTimer, &QTimer::timeout, this, &BtModulePeer::autocallTick);
    registerStartupCommands();
}

QString BtModulePeer::portName() const
{
    return m_port ? m_port->name() : QString();
}

QString BtModulePeer::logPath() const
{
    return QStringLiteral("/.tq3900/bt-%1.log").arg(portName());
}

void BtModulePeer::registerCommand(const QByteArray &word, CommandHandler handler)
{
    m_commands.insert(word.toUpper(), std::move(handler));
}

bool BtModulePeer::hasCommand(const QByteArray &word) const
{
    return m_commands.contains(word.toUpper());
}

void BtModulePeer::setModeLine(ModuleModeLine *modeLine)
{
    if (m_modeLine)
        disconnect(m_modeLine, nullptr, this, nullptr);
    m_modeLine = modeLine;
    if (!m_modeLine)
        return;
    // The program raises DTR right after it held it low for as little as one
    // step of its state machine; any rise after a seen low is an escape.
    m_modeLine->setMinLowMs(0);
    connect(m_modeLine, &ModuleModeLine::commandModeEntered, this, [this] {
        if (m_dataMode && !m_silent)
            m_dataMode = false;
    });
}

void BtModulePeer::setRemote(BtRemotePeer *remote)
{
    if (m_remote)
        disconnect(m_remote, nullptr, this, nullptr);
    m_remote = remote;
    if (!m_remote)
        return;
    connect(m_remote, &BtRemotePeer::dataToHost, this, &BtModulePeer::fromRemote);
    connect(m_remote, &BtRemotePeer::handsFreeReport, this, [this](const QByteArray &at) {
        if (const Link *l = connectedLink("HFP-AG"))
            emitLine("HFP-AG " + QByteArray::number(l->id) + " UNKNOWN 0 " + at);
    });
    connect(m_remote, &BtRemotePeer::volumeReport, this, [this](int percent) {
        if (const Link *l = connectedLink("AVRCP"))
            emitLine("AVRCP " + QByteArray::number(l->id) + " NOTIFY 0 VOLUME_CHANGED " + QByteArray::number(percent));
    });
}

void BtModulePeer::registerStartupCommands()
{
    registerCommand("LIST", [this](const QByteArray &, const QByteArrayList &) {
        QList<const Link *> open;
        for (const Link &l : qAsConst(m_links))
            if (l.connected)
                open << &l;
        emitLine("LIST " + QByteArray::number(open.size()));
        for (const Link *l : open)
            emitLine("LIST " + QByteArray::number(l->id) + " CONNECTED " + l->profile + ' ' + l->address);
    });
    registerCommand("SET", [this](const QByteArray &, const QByteArrayList &args) {
        if (args.isEmpty()) {
            emitLine("SET BT BDADDR " + m_address);
            emitLine("SET BT NAME " + m_name);
            if (!m_a2dpRole.isEmpty())
                emitLine("SET PROFILE A2DP " + m_a2dpRole);
            emitLine("SET");
            return;
        }
        const QByteArray what = (args.value(0) + ' ' + args.value(1)).toUpper();
        // A setting named without a value reads it back: the module's address.
        if (what == "BT BDADDR" && args.size() == 2) {
            emitLine("SET BT BDADDR " + m_address);
            return;
        }
        if (what == "BT PAIR" && args.value(2) == "*") {
            m_pairedWithModule = false;
        } else if (args.size() == 1 && args.value(0).toUpper() == "RESET") {
            // Factory settings: no pairing, the name it left the factory
            // with, no A2DP role.
            m_pairedWithModule = false;
            m_name = "TQ3900-" + portName().toLatin1();
            m_a2dpRole.clear();
        } else if (what == "BT NAME" && args.size() > 2) {
            m_name = args.value(2);
        } else if (what == "PROFILE A2DP") {
            m_a2dpRole = args.value(2).toUpper();
        } else if (what == "CONTROL AUTOCALL") {
            if (args.size() < 4) {
                m_autocallTimer.stop();
            } else {
                bool ok = false;
                const int interval = args.value(3).toInt(&ok);
                m_autocallTimer.start(ok && interval > 0 ? interval : 500);
            }
        }
        // Every other setting is taken silently.
    });
    registerCommand("AT", [this](const QByteArray &, const QByteArrayList &) { emitLine("OK"); });
    registerCommand("CALL", [this](const QByteArray &, const QByteArrayList &args) {
        if (args.size() < 3) {
            emitLine("SYNTAX ERROR");
            return;
        }
        call(args.value(0), args.value(2).toUpper());
    });
    registerCommand("KILL", [this](const QByteArray &, const QByteArrayList &args) {
        const QByteArray address = args.value(0).toLower();
        QList<int> ids;
        for (const Link &l : qAsConst(m_links))
            if (!address.isEmpty() && l.address.toLower() == address)
                ids << l.id;
        for (int id : ids)
            closeLink(id);
    });
    registerCommand("CLOSE", [this](const QByteArray &, const QByteArrayList &args) {
        bool ok = false;
        const int id = args.value(0).toInt(&ok);
        if (ok)
            closeLink(id);
    });
    registerCommand("INQUIRY", [this](const QByteArray &, const QByteArrayList &args) { inquiry(args); });
    registerCommand("PAIR", [this](const QByteArray &, const QByteArrayList &args) { pair(args.value(0)); });
    registerCommand("RESET", [this](const QByteArray &, const QByteArrayList &) { restart(); });
    registerCommand("AVRCP", [this](const QByteArray &, const QByteArrayList &args) {
        const Link *l = connectedLink("AVRCP");
        if (!l || !m_remote)
            return; // no remote-control link: nobody hears it
        const int id = l->id;
        const int volume = m_remote->remoteControl(args);
        if (volume >= 0)
            emitLine("AVRCP " + QByteArray::number(id) + " NOTIFY 0 VOLUME_CHANGED " + QByteArray::number(volume));
    });
    registerCommand("SELECT", [this](const QByteArray &, const QByteArrayList &args) {
        bool ok = false;
        const Link *l = link(args.value(0).toInt(&ok));
        if (!ok || !l || !l->connected || l->profile != "RFCOMM") {
            emitLine("SYNTAX ERROR");
            return;
        }
        enterDataMode(l->id);
    });
}

bool BtModulePeer::sendLine(const QByteArray &text)
{
    return m_port && m_port->write(text + "\r\n");
}

void BtModulePeer::receive(const QByteArray &bytes)
{
    for (const QByteArray &line : m_splitter.feed(bytes)) {
        if (line.trimmed().isEmpty())
            continue;
        journal(line);
        emit lineReceived(line);
        handleLine(line);
    }
}

void BtModulePeer::handleLine(const QByteArray &line)
{
    if (m_silent)
        return;
    if (m_dataMode) {
        if (m_remote && m_remote->isLinkUp("RFCOMM"))
            m_remote->receiveData(line);
        return;
    }
    QByteArrayList words = line.simplified().split(' ');
    const QByteArray word = words.takeFirst().toUpper();
    if (word.startsWith('@')) {
        // "@<link> <AT command>": to the device on a hands-free link.
        bool ok = false;
        const int id = word.mid(1).toInt(&ok);
        if (!ok) {
            emitLine("SYNTAX ERROR");
            return;
        }
        handsFree(id, words.join(' '));
        return;
    }
    const auto it = m_commands.constFind(word);
    if (it == m_commands.constEnd()) {
        emitLine("SYNTAX ERROR");
        return;
    }
    it.value()(line, words);
}

void BtModulePeer::journal(const QByteArray &line)
{
    appendBoardFile(m_root, logPath(),
                    QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz")).toLatin1() + ' ' + line + '\n');
}

// ---------------------------------------------------------------------------
// Output, in order, possibly late

void BtModulePeer::later(std::function<void()> action)
{
    if (m_delayMs <= 0 && m_due.isEmpty()) {
        action();
        return;
    }
    m_due.append(qMakePair(m_clock.elapsed() + m_delayMs, std::move(action)));
    if (!m_dueTimer.isActive())
        m_dueTimer.start(int(qMax<qint64>(0, m_due.first().first - m_clock.elapsed())));
}

void BtModulePeer::runDue()
{
    while (!m_due.isEmpty() && m_due.first().first <= m_clock.elapsed()) {
        const std::function<void()> action = m_due.takeFirst().second;
        action();
    }
    if (!m_due.isEmpty())
        m_dueTimer.start(int(qMax<qint64>(0, m_due.first().first - m_clock.elapsed())));
}

void BtModulePeer::emitLine(const QByteArray &text)
{
    if (m_silent)
        return;
    QPointer<BtModulePeer> self(this);
    later([self, text] {
        if (self && !self->m_silent)
            self->sendLine(text);
    });
}

// ---------------------------------------------------------------------------
// Links

int BtModulePeer::freeLinkId() const
{
    for (int id = 0; id < kMaxLinks; ++id) {
        bool used = false;
        for (const Link &l : m_links)
            used = used || l.id == id;
        if (!used)
            return id;
    }
    return -1;
}

BtModulePeer::Link *BtModulePeer::link(int id)
{
    for (Link &l : m_links)
        if (l.id == id)
            return &l;
    return nullptr;
}

void BtModulePeer::removeLink(int id)
{
    for (int i = 0; i < m_links.size(); ++i) {
        if (m_links.at(i).id == id) {
            m_links.removeAt(i);
            return;
        }
    }
}

bool BtModulePeer::hasLink(const QByteArray &profile) const
{
    for (const Link &l : m_links)
        if (l.profile == profile)
            return true;
    return false;
}

void BtModulePeer::call(const QByteArray &address, const QByteArray &profile)
{
    if (profile == "A2DP" && m_remote && m_remote->answersTo(address) && m_remote->offers("A2DP")
        && !m_remote->refuses("A2DP") && !hasLink("A2DP")) {
        connectA2dp();
        return;
    }
    const int id = freeLinkId();
    if (id < 0) {
        emitLine("SYNTAX ERROR");
        return;
    }
    emitLine("CALL " + QByteArray::number(id));
    const bool reached = m_remote && m_remote->answersTo(address) && !m_remote->refuses(profile);
    if (reached && !m_remote->offers(profile)) {
        emitLine("NO CARRIER " + QByteArray::number(id) + " ERROR 406 CONNECTION_FAILED");
        return;
    }
    const quint64 callNumber = ++m_calls;
    m_links.append(Link{id, profile, address, false, callNumber});
    if (!reached) {
        // Nobody answers the page: the call fails after the page time-out
        // unless it is closed before.
        QPointer<BtModulePeer> self(this);
        QTimer::singleShot(kPageTimeoutMs, Qt::PreciseTimer, this, [self, id, callNumber] {
            if (self)
                self->pageTimeout(id, callNumber);
        });
        return;
    }
    m_links.last().connected = true;
    emitLine("CONNECT " + QByteArray::number(id) + ' ' + profile + " 1");
    m_remote->linkChanged(profile, true);
    if (profile == "RFCOMM")
        enterDataMode(id);
    else if (profile == "HFP-AG")
        emitLine("HFP-AG " + QByteArray::number(id) + " READY");
}

void BtModulePeer::pageTimeout(int id, quint64 call)
{
    const Link *l = link(id);
    if (!l || l->connected || l->call != call)
        return;
    removeLink(id);
    emitLine("NO CARRIER " + QByteArray::number(id) + " ERROR 406 CONNECTION_FAILED");
}

void BtModulePeer::connectA2dp()
{
    const int first = freeLinkId();
    if (first < 0)
        return;
    m_links.append(Link{first, "A2DP", m_remote->address(), true, ++m_calls});
    const int second = freeLinkId();
    if (second >= 0)
        m_links.append(Link{second, "A2DP", m_remote->address(), true, m_calls});
    emitLine("CALL " + QByteArray::number(first));
    emitLine("CONNECT " + QByteArray::number(first) + " A2DP 19");
    if (second >= 0)
        emitLine("CONNECT " + QByteArray::number(second) + " A2DP 19");
    emitLine("A2DP STREAMING START " + QByteArray::number(second >= 0 ? second : first));
    m_streaming = true;
    m_remote->linkChanged("A2DP", true);
    openRemoteControl();
}

void BtModulePeer::openRemoteControl()
{
    // A headphone opens its remote-control link itself once it plays.
    if (!m_remote || !m_remote->offers("AVRCP") || m_remote->refuses("AVRCP") || hasLink("AVRCP"))
        return;
    const int id = freeLinkId();
    if (id < 0)
        return;
    m_links.append(Link{id, "AVRCP", m_remote->address(), true, ++m_calls});
    emitLine("RING " + QByteArray::number(id) + ' ' + m_remote->address() + " 17 AVRCP");
    m_remote->linkChanged("AVRCP", true);
}

const BtModulePeer::Link *BtModulePeer::connectedLink(const QByteArray &profile) const
{
    for (const Link &l : m_links)
        if (l.connected && l.profile == profile)
            return &l;
    return nullptr;
}

void BtModulePeer::handsFree(int linkId, const QByteArray &at)
{
    const Link *l = link(linkId);
    if (!l || !l->connected || l->profile != "HFP-AG" || !m_remote) {
        emitLine("SYNTAX ERROR");
        return;
    }
    for (const QByteArray &reply : m_remote->handsFree(at))
        emitLine("HFP-AG " + QByteArray::number(linkId) + " UNKNOWN 0 " + reply);
}

void BtModulePeer::emitAfter(int ms, const QByteArrayList &lines)
{
    QPointer<BtModulePeer> self(this);
    const quint64 boot = m_boots;
    QTimer::singleShot(ms, Qt::PreciseTimer, this, [self, boot, lines] {
        if (!self || self->m_boots != boot)
            return;
        for (const QByteArray &line : lines)
            self->emitLine(line);
    });
}

void BtModulePeer::inquiry(const QByteArrayList &args)
{
    bool ok = false;
    const int length = args.value(0).toInt(&ok);
    if (!ok || length < 1 || length > 48) {
        emitLine("SYNTAX ERROR");
        return;
    }
    const bool withNames = args.value(1).toUpper() == "NAME";
    const QList<BtInquiry::Device> found = m_inquiry ? m_inquiry->devices() : QList<BtInquiry::Device>();
    const int duration = m_inquiry ? m_inquiry->durationMs(length) : length * 1280;
    // The devices answer one after another while the inquiry runs.
    for (int i = 0; i < found.size(); ++i)
        emitAfter(duration * (i + 1) / (found.size() + 1),
                  {"INQUIRY_PARTIAL " + found.at(i).address + ' ' + found.at(i).deviceClass});
    QByteArrayList summary{"INQUIRY " + QByteArray::number(found.size())};
    for (const BtInquiry::Device &d : found)
        summary << "INQUIRY " + d.address + ' ' + d.deviceClass;
    emitAfter(duration, summary);
    if (!withNames)
        return;
    // Then each device is asked for its name.
    for (int i = 0; i < found.size(); ++i) {
        const BtInquiry::Device &d = found.at(i);
        emitAfter(duration + 100 * (i + 1),
                  {d.name.isEmpty() ? "NAME ERROR 0x104 " + d.address + " HCI_ERROR_PAGE_TIMEOUT"
                                    : "NAME " + d.address + " \"" + d.name + '"'});
    }
}

void BtModulePeer::pair(const QByteArray &address)
{
    if (m_peerModule && address.toLower() == m_peerModule->address().toLower()) {
        // A module of the wrong role, silent or restarting when the pairing
        // would end, does not answer.
        QPointer<BtModulePeer> self(this);
        const quint64 boot = m_boots;
        QTimer::singleShot(kPairMs, Qt::PreciseTimer, this, [self, boot, address] {
            if (!self || self->m_boots != boot || !self->peerModuleAccepts())
                return;
            self->m_pairedWithModule = true;
            self->emitLine("PAIR " + address + " OK");
        });
        return;
    }
    const BtInquiry::Device *d = m_inquiry ? m_inquiry->find(address) : nullptr;
    if (!d || !d->pairs)
        return; // nobody answers the pairing request
    // One pairing at a time: the other module is forgotten.
    m_pairedWithModule = false;
    emitAfter(kPairMs, {"PAIR " + address + " OK"});
}

void BtModulePeer::restart()
{
    ++m_boots;
    // The links are gone with the restart; the module reports none of it.
    const QList<Link> links = m_links;
    m_links.clear();
    m_streaming = false;
    bool streamToModule = false;
    for (const Link &l : links) {
        streamToModule = streamToModule || l.toModule;
        if (l.connected && m_remote && !l.toModule)
            m_remote->linkChanged(l.profile, false);
    }
    if (streamToModule && m_peerModule)
        m_peerModule->moduleStreamClosed();
    if (m_dataMode)
        leaveDataMode();
    m_held.clear();
    // The stored automatic calling resumes once the module is ready.
    const bool autocall = m_autocallTimer.isActive();
    m_autocallTimer.stop();
    m_restarting = true;
    emitAfter(kRestartMs, {"WRAP THOR AI (4.1.0 build 1)", "READY."});
    QPointer<BtModulePeer> self(this);
    const quint64 boot = m_boots;
    QTimer::singleShot(kRestartMs, Qt::PreciseTimer, this, [self, boot, autocall] {
        if (!self || self->m_boots != boot)
            return;
        self->m_restarting = false;
        if (autocall)
            self->m_autocallTimer.start();
    });
}

void BtModulePeer::closeLink(int id)
{
    Link *l = link(id);
    if (!l)
        return;
    const Link closed = *l;
    // The two A2DP channels close together.
    QList<int> ids;
    for (const Link &other : qAsConst(m_links))
        if (other.id == id || (closed.profile == "A2DP" && other.profile == "A2DP"))
            ids << other.id;
    if (closed.profile == "A2DP" && m_streaming) {
        m_streaming = false;
        emitLine("A2DP STREAMING STOP");
    }
    bool streamToModule = false;
    for (int each : ids) {
        const Link *gone = link(each);
        const bool wasConnected = gone->connected;
        const bool toModule = gone->toModule;
        const QByteArray profile = gone->profile;
        removeLink(each);
        emitLine("NO CARRIER " + QByteArray::number(each) + " ERROR 0");
        if (each == m_dataLink)
            leaveDataMode();
        streamToModule = streamToModule || toModule;
        if (wasConnected && m_remote && !toModule)
            m_remote->linkChanged(profile, false);
    }
    if (streamToModule && m_peerModule)
        m_peerModule->moduleStreamClosed();
}

// ---------------------------------------------------------------------------
// The stream between the two modules

bool BtModulePeer::peerModuleAccepts() const
{
    if (!m_peerModule || m_peerModule->isSilent() || m_peerModule->m_restarting)
        return false;
    const QByteArray other = m_peerModule->a2dpRole();
    return (m_a2dpRole == "SINK" && other == "SOURCE") || (m_a2dpRole == "SOURCE" && other == "SINK");
}

void BtModulePeer::connectA2dpToModule()
{
    const int first = freeLinkId();
    const int second = first < 0 ? -1 : [this, first] {
        for (int id = first + 1; id < kMaxLinks; ++id)
            if (!link(id))
                return id;
        return -1;
    }();
    if (second < 0)
        return;
    const QByteArray peer = m_peerModule->address();
    m_links.append(Link{first, "A2DP", peer, true, ++m_calls, true});
    m_links.append(Link{second, "A2DP", peer, true, m_calls, true});
    emitLine("CALL " + QByteArray::number(first));
    emitLine("CONNECT " + QByteArray::number(first) + " A2DP 19");
    emitLine("CONNECT " + QByteArray::number(second) + " A2DP 19");
    emitLine("A2DP STREAMING START " + QByteArray::number(second));
    m_streaming = true;
    m_peerModule->acceptModuleStream(m_address);
}

void BtModulePeer::acceptModuleStream(const QByteArray &caller)
{
    // A stream that ran before is replaced without a report.
    closeLocalModuleLinks(false);
    QList<int> ids;
    for (int id = 0; id < kMaxLinks && ids.size() < 2; ++id)
        if (!link(id))
            ids << id;
    if (ids.size() < 2)
        return;
    for (int id : ids) {
        m_links.append(Link{id, "A2DP", caller, true, ++m_calls, true});
        emitLine("RING " + QByteArray::number(id) + ' ' + caller + " 19 A2DP");
    }
    emitLine("A2DP STREAMING START " + QByteArray::number(ids.last()));
    m_streaming = true;
}

void BtModulePeer::moduleStreamClosed()
{
    closeLocalModuleLinks(true);
}

bool BtModulePeer::closeLocalModuleLinks(bool report)
{
    QList<int> ids;
    for (const Link &l : qAsConst(m_links))
        if (l.toModule)
            ids << l.id;
    if (ids.isEmpty())
        return false;
    if (m_streaming && report)
        emitLine("A2DP STREAMING STOP");
    m_streaming = false;
    for (int id : ids) {
        removeLink(id);
        if (report)
            emitLine("NO CARRIER " + QByteArray::number(id) + " ERROR 0");
    }
    return true;
}

void BtModulePeer::enterDataMode(int linkId)
{
    m_dataMode = true;
    m_dataLink = linkId;
    setCarrierLater(true);
    // What the device sent meanwhile.
    const QByteArrayList held = m_held;
    m_held.clear();
    for (const QByteArray &line : held)
        emitLine(line);
}

// The carrier line follows the mode after the module's delay, in order
// with its output; a silent module keeps it as it is.
void BtModulePeer::setCarrierLater(bool up)
{
    ModuleModeLine *modeLine = m_modeLine;
    QPointer<BtModulePeer> self(this);
    later([self, modeLine, up] {
        if (self && modeLine && !self->m_silent)
            modeLine->setCarrier(up);
    });
}

void BtModulePeer::leaveDataMode()
{
    m_dataMode = false;
    m_dataLink = -1;
    m_held.clear();
    setCarrierLater(false);
}

void BtModulePeer::autocallTick()
{
    // A module paired with the other module calls that one.
    if (m_pairedWithModule) {
        if (!m_silent && !hasLink("A2DP") && peerModuleAccepts())
            connectA2dpToModule();
        return;
    }
    if (m_silent || !m_remote || hasLink("A2DP") || !m_remote->offers("A2DP") || m_remote->refuses("A2DP"))
        return;
    connectA2dp();
}

void BtModulePeer::fromRemote(const QByteArray &line)
{
    const Link *data = link(m_dataLink);
    if (m_silent || !data || !data->connected)
        return; // no data link: the line is lost
    if (m_dataMode) {
        emitLine(line);
    } else if (m_held.size() < kMaxHeldLines) {
        m_held.append(line);
    }
}

// ---------------------------------------------------------------------------
// Faults

void BtModulePeer::drop(const QByteArray &profile)
{
    if (!m_remote)
        return;
    m_remote->setRefused(profile, true);
    QList<int> ids;
    for (const Link &l : qAsConst(m_links))
        ids << l.id;
    for (int id : ids)
        closeLink(id);
}

void BtModulePeer::restore(const QByteArray &profile)
{
    if (m_remote)
        m_remote->setRefused(profile, false);
}

void BtModulePeer::setSilent(bool silent)
{
    m_silent = silent;
    if (!m_modeLine)
        return;
    if (silent)
        m_modeLine->stop();
    else
        m_modeLine->start();
}

bool BtModulePeer::leaveDataModeByItself()
{
    if (!m_dataMode || m_silent)
        return false;
    // As on an escape: the data link stays and can be selected again.
    m_dataMode = false;
    setCarrierLater(false);
    return true;
}

void BtModulePeer::setDelayMs(int ms)
{
    m_delayMs = qMax(0, ms);
    if (m_modeLine)
        m_modeLine->setCarrierDelayMs(ModuleModeLine::kCarrierDelayMs + m_delayMs);
    // A shorter delay also applies to what is still held back (in order):
    // a test can hold a module's answer until it has seen what must come
    // first, then let it go with "slow 0".
    const qint64 latest = m_clock.elapsed() + m_delayMs;
    for (auto &due : m_due)
        due.first = qMin(due.first, latest);
    if (!m_due.isEmpty())
        m_dueTimer.start(int(qMax<qint64>(0, m_due.first().first - m_clock.elapsed())));
}

QString BtModulePeer::status() const
{
    QStringList links;
    for (const Link &l : m_links)
        links << QStringLiteral("%1 %2%3").arg(l.id).arg(QString::fromLatin1(l.profile),
                                                         l.connected ? QString() : QStringLiteral(" calling"));
    std::sort(links.begin(), links.end());
    return (m_dataMode ? QStringLiteral("data") : QStringLiteral("command"))
        + (links.isEmpty() ? QString() : QStringLiteral("; ") + links.join(QStringLiteral(", ")));
}

void BtModulePeer::registerCommands(ControlChannel &channel, const QMap<QString, BtModulePeer *> &modules)
{
    channel.registerCommand(
        QStringLiteral("bt"),
        QStringLiteral("bt <ttyO2|ttyO3> send <text> | raw <bytes> | drop <rfcomm|a2dp> | restore <rfcomm|a2dp> | "
                       "silent <0|1> | slow <ms> | escape | noise <ms> | carrier <low|high|free> | status: the Bluetooth modules; "
                       "carrier holds the carrier line at a level whatever the module does (free: the module's own)"),
        [modules](const ControlRequest &r) {
            const QString usage = QStringLiteral(
                "usage: bt <ttyO2|ttyO3> send <text> | raw <text with \\r \\n \\t \\0 \\\\ \\xNN> | "
                "drop <rfcomm|a2dp> | restore <rfcomm|a2dp> | silent <0|1> | slow <ms 0-10000> | escape | "
                "noise <ms 0-600000> | carrier <low|high|free> | status");
            if (r.args.size() < 2)
                return QStringLiteral("error: ") + usage;
            BtModulePeer *module = modules.value(r.args[0]);
            if (!module)
                return QStringLiteral("error: no module on %1; ").arg(r.args[0]) + usage;
            const QString sub = r.args[1];
            const QString arg = r.args.value(2);
            const int count = r.args.size();
            if (sub == QLatin1String("send") && count >= 3) {
                if (!module->sendLine(r.rest(2).toUtf8()))
                    return QStringLiteral("error: nobody has %1 open; line dropped").arg(r.args[0]);
                return QStringLiteral("ok");
            }
            if (sub == QLatin1String("raw") && count >= 3) {
                QByteArray bytes;
                if (!unescapeControlText(r.rest(2), &bytes))
                    return QStringLiteral("error: bad escape in the text; ") + usage;
                if (!module->port() || !module->port()->write(bytes))
                    return QStringLiteral("error: nobody has %1 open; bytes dropped").arg(r.args[0]);
                return QStringLiteral("ok");
            }
            if ((sub == QLatin1String("drop") || sub == QLatin1String("restore")) && count == 3
                && (arg == QLatin1String("rfcomm") || arg == QLatin1String("a2dp"))) {
                if (!module->remote())
                    return QStringLiteral("error: no device behind %1").arg(r.args[0]);
                if (sub == QLatin1String("drop"))
                    module->drop(arg.toUpper().toLatin1());
                else
                    module->restore(arg.toUpper().toLatin1());
                return QStringLiteral("ok");
            }
            if (sub == QLatin1String("silent") && count == 3
                && (arg == QLatin1String("0") || arg == QLatin1String("1"))) {
                module->setSilent(arg == QLatin1String("1"));
                return QStringLiteral("ok");
            }
            // A duration argument: whole milliseconds from 0 to max.
            int ms = 0;
            const auto durationUpTo = [&arg, &ms](int max) {
                bool ok = false;
                ms = arg.toInt(&ok);
                return ok && ms >= 0 && ms <= max;
            };
            if (sub == QLatin1String("slow") && count == 3) {
                if (!durationUpTo(10000))
                    return QStringLiteral("error: delay must be 0 to 10000 ms; ") + usage;
                module->setDelayMs(ms);
                return QStringLiteral("ok");
            }
            if (sub == QLatin1String("escape") && count == 2) {
                if (!module->leaveDataModeByItself())
                    return QStringLiteral("error: %1 is not in data mode").arg(r.args[0]);
                return QStringLiteral("ok");
            }
            if (sub == QLatin1String("noise") && count == 3) {
                if (!durationUpTo(600000))
                    return QStringLiteral("error: noise must last 0 to 600000 ms; ") + usage;
                if (!module->modeLine())
                    return QStringLiteral("error: %1 has no carrier line").arg(r.args[0]);
                module->modeLine()->setNoise(ms);
                return QStringLiteral("ok");
            }
            if (sub == QLatin1String("carrier") && count == 3
                && (arg == QLatin1String("low") || arg == QLatin1String("high") || arg == QLatin1String("free"))) {
                if (!module->modeLine())
                    return QStringLiteral("error: %1 has no carrier line").arg(r.args[0]);
                module->modeLine()->setForced(arg == QLatin1String("low")    ? ModuleModeLine::Force::Low
                                                  : arg == QLatin1String("high") ? ModuleModeLine::Force::High
                                                                                 : ModuleModeLine::Force::None);
                return QStringLiteral("ok");
            }
            if (sub == QLatin1String("status") && count == 2)
                return module->status();
            return QStringLiteral("error: ") + usage;
        });
}

} // namespace Sim
