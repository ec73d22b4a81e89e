#ifndef SETTINGSBUTTON_H
#define SETTINGSBUTTON_H

#include <QColor>
#include <QPushButton>
#include <QString>

// A list entry: a bold title line on top and a right-aligned value line
// below it, both drawn over the normal button painting. The owner may keep a
// free string with the entry (for example the folder a browser line stands
// for).
class SettingsButton : public QPushButton
{
    Q_OBJECT
public:
    explicit SettingsButton(QWidget *parent = nullptr);

    // Clears the button's own text and shows the two lines instead.
    void setText2(const QString &first, const QString &second);
    QString getText1() const { return firstText; }
    QString getText2() const { return secondText; }

    void setAdditionalInfo(const QString &info) { m_additionalInfo = info; }
    QString getAdditionalInfo() const { return m_additionalInfo; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString firstText;
    QString secondText;
    QColor m_color;
    QString m_additionalInfo;
};

#endif // SETTINGSBUTTON_H
