#include "stylesheet.h"

#include "analoginputworker.h"

#include <QProgressBar>

void setFrequencyBarColour(QProgressBar *bar, int frequency)
{
    QColor text;
    const QColor c = AnalogInputWorker::calcFrequencyColor(unsigned(qMax(0, frequency)), 300, Qt::blue, Qt::red,
                                                           Qt::yellow, &text);
    setStyleSheetIfChanged(bar, QStringLiteral("QProgressBar::chunk {background-color: rgb(%1, %2, %3);}")
                                    .arg(c.red())
                                    .arg(c.green())
                                    .arg(c.blue()));
}
