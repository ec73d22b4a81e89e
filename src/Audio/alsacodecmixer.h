#ifndef ALSACODECMIXER_H
#define ALSACODECMIXER_H

#include "codecmixer.h"

// The codec's controls through libasound's simple-mixer interface on one
// card (the board's "default"). The library is loaded at the first write,
// not at start. A card that cannot be opened (or a library that cannot be
// loaded) gives NoCard for every write, an element the card does not have
// NoElement; neither touches anything.
class AlsaCodecMixer : public CodecMixer
{
public:
    explicit AlsaCodecMixer(const QByteArray &card);

    QVector<Result> apply(const QVector<Write> &writes) override;
    QString errorText(int code) const override;

private:
    QByteArray m_card;
};

#endif // ALSACODECMIXER_H
