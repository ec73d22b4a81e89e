#ifndef SIM_BTMODULEPEER_H
#define SIM_BTMODULEPEER_H

#include "linesplitter.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

namespace Sim {

class BtInquiry;
class BtRemotePeer;
class ControlChannel;
class ModuleModeLine;
class PtyPort;

// The serial Bluetooth module behind one port (ttyO2: sensor-unit side,
// ttyO3: headphone side). It reads the program's lines, journals each to
// <root>/.tq3900/bt-<port>.log as "<hh:mm:ss.zzz> <line>" and, in command
// mode, answers them through a table of commands keyed by the line's first
// word (case does not matter, as with the module's own parser). A line whose
// first word has no entry gets "SYNTAX ERROR".
//
// The module keeps links (numbered from 0, the lowest free number first) to
// the one remote device behind it (BtRemotePeer):
//  - "SET CONTROL AUTOCALL <target> <ms> A2DP" makes it call the device's
//    A2DP every <ms> while no A2DP link is up: "CALL n", "CONNECT n A2DP 19",
//    "CONNECT n+1 A2DP 19", "A2DP STREAMING START n+1"; "SET CONTROL
//    AUTOCALL" alone stops it.
//  - "CALL <addr> 1101 RFCOMM" answers "CALL n" and then "CONNECT n RFCOMM 1"
//    when the device answers to that address and offers RFCOMM; the module is
//    then in data mode on that link (carrier line "1"). A device that is not
//    there (other address, profile refused) does not answer: the call fails
//    with "NO CARRIER n ERROR 406 CONNECTION_FAILED" after kPageTimeoutMs. A
//    device without the profile refuses at once with the same line.
//  - "KILL <addr>" and "CLOSE n" close links: "A2DP STREAMING STOP" when a
//    stream was running, then "NO CARRIER n ERROR 0" for each closed link.
//  - "SELECT n" returns to data mode on RFCOMM link n.
//  - "LIST" gives "LIST <count>" and one "LIST n CONNECTED <profile> <addr>"
//    line per open link; "SET" alone lists the module's own address, name
//    and A2DP role ("SET BT BDADDR ...", "SET BT NAME ...", "SET PROFILE
//    A2DP ...", then "SET"); "SET BT BDADDR" without a value reads the
//    address back; other "SET ..." lines are taken silently; "AT"
//    gets "OK".
//  - A device that offers remote control (the headphone) opens its AVRCP
//    link once the stream runs: "RING n <addr> 17 AVRCP". "AVRCP <command>"
//    goes to it; a volume it reports comes as "AVRCP n NOTIFY 0
//    VOLUME_CHANGED <percent>". "CALL <addr> 111E HFP-AG" opens the
//    hands-free link ("CONNECT n HFP-AG 1", then "HFP-AG n READY");
//    "@n <AT command>" goes to the device over link n, whose AT texts come
//    back as "HFP-AG n UNKNOWN 0 <text>".
//  - "INQUIRY <length> [NAME]" finds the devices in range (BtInquiry): one
//    "INQUIRY_PARTIAL <addr> <class>" each while the inquiry runs, at its end
//    "INQUIRY <count>" and "INQUIRY <addr> <class>" lines, then with NAME one
//    "NAME <addr> \"<name>\"" each (or "NAME ERROR 0x104 <addr>
//    HCI_ERROR_PAGE_TIMEOUT"). "PAIR <addr>" gives "PAIR <addr> OK" after
//    kPairMs for a device in range that pairs, else nothing.
//  - "RESET" restarts the module: every link is gone without a report, data
//    mode ends, and after kRestartMs it says "WRAP THOR AI ..." and "READY.".
//  - The other module on the board (setPeerModule) can be paired with and
//    called like a device: "PAIR <its address>" gives "PAIR <addr> OK" after
//    kPairMs when one of the two is an A2DP sink and the other an A2DP source
//    (the loop-back test's simulated microphone). From then on the automatic
//    calling connects A2DP to that module instead of the device behind: this
//    one says "CALL n", "CONNECT n A2DP 19", "CONNECT n+1 A2DP 19", "A2DP
//    STREAMING START n+1", the other "RING n <addr> 19 A2DP", "RING n+1 ...",
//    "A2DP STREAMING START n+1" (the source side plays what the board's
//    converter hears). When either side closes the stream or restarts, the
//    other says "A2DP STREAMING STOP" and "NO CARRIER n ERROR 0". Pairing
//    with a device in range, "SET BT PAIR *" or "SET RESET" forget the pairing.
// In data mode every line goes to the device instead, and the device's lines
// come back to the program; lines the device sends while the module is in
// command mode are held until data mode returns. The module leaves data mode
// on a DTR escape of its control lines (ModuleModeLine) or when the data link
// closes.
class BtModulePeer : public QObject
{
    Q_OBJECT
public:
    static constexpr int kPageTimeoutMs = 5000;
    static constexpr int kMaxLinks = 7;
    static constexpr int kMaxHeldLines = 256;
    static constexpr int kPairMs = 1000;
    static constexpr int kRestartMs = 500;

    // line: the whole received line; args: its words after the command word.
    using CommandHandler = std::function<void(const QByteArray &line, const QByteArrayList &args)>;

    BtModulePeer(const QString &root, PtyPort *port, QObject *parent = nullptr);

    PtyPort *port() const { return m_port; }
    QString portName() const;
    QString logPath() const;
    QByteArray address() const { return m_address; }

    // Adds or replaces the answer to one command word.
    void registerCommand(const QByteArray &word, CommandHandler handler);
    bool hasCommand(const QByteArray &word) const;

    // The control lines of this module, when it has any (not owned). The
    // module leaves data mode on any DTR rise after a low level.
    void setModeLine(ModuleModeLine *modeLine);
    ModuleModeLine *modeLine() const { return m_modeLine; }

    // The devices an inquiry finds (not owned; shared by both modules).
    void setInquiry(BtInquiry *inquiry) { m_inquiry = inquiry; }

    // The device behind the module (not owned).
    void setRemote(BtRemotePeer *remote);
    BtRemotePeer *remote() const { return m_remote; }

    // The other module on the board (not owned), which this one can pair
    // with and stream A2DP to or from.
    void setPeerModule(BtModulePeer *peer) { m_peerModule = peer; }
    bool isPairedWithPeerModule() const { return m_pairedWithModule; }
    // "SINK", "SOURCE" or empty, as "SET PROFILE A2DP" set it.
    QByteArray a2dpRole() const { return m_a2dpRole; }

    // Writes text + "\r\n" to the program. False when nobody has the port open.
    bool sendLine(const QByteArray &text);

    // Handles bytes as if they came from the program (the port feeds them here).
    void receive(const QByteArray &bytes);

    bool isDataMode() const { return m_dataMode; }
    // "command" or "data", then the links: "data; 0 A2DP, 1 A2DP, 2 RFCOMM".
    QString status() const;

    // The connection to the device breaks (every link closes) and the device
    // refuses the profile until restore().
    void drop(const QByteArray &profile);
    void restore(const QByteArray &profile);
    // A silent module answers nothing, reports nothing and keeps its mode.
    void setSilent(bool silent);
    bool isSilent() const { return m_silent; }
    // The module leaves data mode by itself (its carrier falls, the data
    // link stays, lines from the program are commands again). False when
    // it is not in data mode.
    bool leaveDataModeByItself();
    // Answers, reports and mode changes come this much later.
    void setDelayMs(int ms);
    int delayMs() const { return m_delayMs; }

    // Adds "bt <port> send|raw|drop|restore|silent|slow|escape|noise|carrier|status" for the
    // given modules to the control channel.
    static void registerCommands(ControlChannel &channel, const QMap<QString, BtModulePeer *> &modules);

signals:
    void lineReceived(const QByteArray &line);

protected:
    // One complete, non-empty line from the program.
    virtual void handleLine(const QByteArray &line);

private:
    struct Link
    {
        int id;
        QByteArray profile;
        QByteArray address;
        bool connected;
        quint64 call; // which call a pending link belongs to
        bool toModule = false; // to the other module, not the device behind
    };

    void registerStartupCommands();
    void journal(const QByteArray &line);
    // Runs an output action now, or after the module's delay, in order.
    void later(std::function<void()> action);
    void emitLine(const QByteArray &text);
    void runDue();

    int freeLinkId() const;
    Link *link(int id);
    void removeLink(int id);
    bool hasLink(const QByteArray &profile) const;
    void call(const QByteArray &address, const QByteArray &profile);
    void connectA2dp();
    void closeLink(int id);
    void pageTimeout(int id, quint64 call);
    void enterDataMode(int linkId);
    void leaveDataMode();
    void setCarrierLater(bool up);
    void autocallTick();
    void fromRemote(const QByteArray &line);
    const Link *connectedLink(const QByteArray &profile) const;
    void openRemoteControl();
    void inquiry(const QByteArrayList &args);
    void pair(const QByteArray &address);
    void restart();
    // The stream between the two modules.
    bool peerModuleAccepts() const;
    void connectA2dpToModule();
    void acceptModuleStream(const QByteArray &caller);
    void moduleStreamClosed();
    bool closeLocalModuleLinks(bool report);
    void handsFree(int linkId, const QByteArray &at);
    // Emits lines after ms, unless the module restarted meanwhile.
    void emitAfter(int ms, const QByteArrayList &lines);

    QString m_root;
    PtyPort *m_port;
    ModuleModeLine *m_modeLine = nullptr;
    BtRemotePeer *m_remote = nullptr;
    BtInquiry *m_inquiry = nullptr;
    BtModulePeer *m_peerModule = nullptr;
    bool m_pairedWithModule = false;
    // Between "RESET" and its ready report: nobody can pair with or call it.
    bool m_restarting = false;
    // Counts restarts; output scheduled before a restart is dropped.
    quint64 m_boots = 0;
    LineSplitter m_splitter;
    QHash<QByteArray, CommandHandler> m_commands;

    QByteArray m_address;
    QByteArray m_name;
    QByteArray m_a2dpRole;
    QList<Link> m_links;
    quint64 m_calls = 0;
    bool m_streaming = false;
    bool m_dataMode = false;
    int m_dataLink = -1;
    QByteArrayList m_held;
    QTimer m_autocallTimer;
    bool m_silent = false;
    int m_delayMs = 0;
    QElapsedTimer m_clock;
    QList<QPair<qint64, std::function<void()>>> m_due;
    QTimer m_dueTimer;
};

} // namespace Sim

#endif // SIM_BTMODULEPEER_H
