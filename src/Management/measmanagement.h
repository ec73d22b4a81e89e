#ifndef MEASMANAGEMENT_H
#define MEASMANAGEMENT_H

#include "placeholderscreen.h"

// Not built yet: the screen's contents. It records the inits it receives.
class MeasManagement : public PlaceholderScreen
{
    Q_OBJECT
public:
    explicit MeasManagement(QWidget *parent = nullptr);
    void init(int page, bool editDeleteMode);
};

#endif // MEASMANAGEMENT_H
