#ifndef CODECMIXER_H
#define CODECMIXER_H

#include <QByteArray>
#include <QString>
#include <QVector>

#include <memory>

// The codec's named controls, reached as simple-mixer elements (index 0) of
// one sound card. On the board this is libasound on card "default"; off the
// board a simulated card under the device root plays the codec.
//
// Every apply() is one whole transaction: open the mixer, attach the card,
// load it, apply the writes in order, close. No handle survives the call.
class CodecMixer
{
public:
    enum class Op {
        GainDb,   // all channels to a gain in hundredths of a dB (nearest step)
        Switch,   // all channels' playback switch to 0 or 1
        Volume,   // raw volume step of the front-left channel
        EnumItem  // item index of the front-left channel
    };
    struct Write
    {
        QByteArray element;
        Op op;
        long value;
    };
    enum class Status { Done, NoCard, NoElement, Failed };
    struct Result
    {
        Status status = Status::Done;
        int code = 0; // negative error code for NoCard and Failed
    };

    virtual ~CodecMixer() = default;

    // One result per write, in the same order.
    virtual QVector<Result> apply(const QVector<Write> &writes) = 0;
    // Text for an error code of a result.
    virtual QString errorText(int code) const = 0;

    // The mixer of this build and place: see onBoard().
    static std::unique_ptr<CodecMixer> create();
    // The one place that decides between the real card and the simulated
    // one: the board is where no device root is set.
    static bool onBoard();
};

#endif // CODECMIXER_H
