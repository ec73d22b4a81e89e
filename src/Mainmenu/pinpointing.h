#ifndef PINPOINTING_H
#define PINPOINTING_H

#include "placeholderscreen.h"

// Not built yet: the screen's contents. It records the inits it receives.
class Pinpointing : public PlaceholderScreen
{
    Q_OBJECT
public:
    explicit Pinpointing(QWidget *parent = nullptr);
    void init(int variant);
};

#endif // PINPOINTING_H
