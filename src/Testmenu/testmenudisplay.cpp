#include "testmenudisplay.h"
#include "ui_testmenudisplay.h"

#include <QGraphicsScene>
#include <QPen>
#include <QPushButton>
#include <QTimer>

const QRect TestmenuDisplay::kPreviewGeometry(160, 7, 258, 258);
const QRect TestmenuDisplay::kFullScreen(0, 0, 480, 272);

namespace {

QPen solidPen(const QColor &color)
{
    QPen pen(color, 1, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
    return pen;
}

} // namespace

TestmenuDisplay::TestmenuDisplay(QWidget *parent)
    : TestDialog(Setup{"cmdTestDisplay"}, parent), ui(new Ui::TestmenuDisplay)
{
    ui->setupUi(this);
    scene = new QGraphicsScene(this);
    ui->graphicsView->setScene(scene);
    ui->graphicsView->setBackgroundBrush(Qt::white);
    defaultView();
}

TestmenuDisplay::~TestmenuDisplay()
{
    delete scene;
    delete ui;
}

bool TestmenuDisplay::executeOwnCommand(const QString &command)
{
    // A pattern answers nothing of its own: the reader's "staActive" stays.
    if (command.startsWith(QLatin1String("cmdDisplayGrid")))
        on_butGrid_clicked();
    else if (command.startsWith(QLatin1String("cmdDisplayColor")))
        on_butColor_clicked();
    else if (command.startsWith(QLatin1String("cmdDisplayGradient")))
        on_butGradient_clicked();
    else
        return false;
    return true;
}

void TestmenuDisplay::defaultView()
{
    ui->graphicsView->setBackgroundBrush(Qt::white);
    ui->graphicsView->setGeometry(kPreviewGeometry);
    scene->clear();
    // The scene exactly as large as the view: the drawing sits unscrolled.
    scene->setSceneRect(0, 0, kPreviewGeometry.width(), kPreviewGeometry.height());
    scene->addRect(0, 0, 258, 258, solidPen(Qt::red), QBrush(Qt::red));
    // A ramp from black to white inside a one-pixel red frame.
    for (int x = 1; x <= 256; ++x) {
        const QColor grey(x - 1, x - 1, x - 1);
        scene->addLine(x, 1, x, 256, solidPen(grey));
    }
    showAllElements();
}

void TestmenuDisplay::hideAllElements()
{
    backButton()->hide();
    ui->butColor->hide();
    ui->butGradient->hide();
    ui->butGrid->hide();
}

void TestmenuDisplay::showAllElements()
{
    backButton()->show();
    ui->butColor->show();
    ui->butGradient->show();
    ui->butGrid->show();
}

void TestmenuDisplay::startPattern(const QColor &background)
{
    hideAllElements();
    ui->graphicsView->setBackgroundBrush(background);
    ui->graphicsView->setGeometry(kFullScreen);
    scene->clear();
    scene->setSceneRect(0, 0, kFullScreen.width(), kFullScreen.height());
}

void TestmenuDisplay::endPatternLater()
{
    // Bound to the dialog: a verdict during the pattern frees the dialog and
    // the timer with it.
    QTimer::singleShot(kPatternMs, this, &TestmenuDisplay::defaultView);
    showPass();
}

void TestmenuDisplay::on_butGrid_clicked()
{
    startPattern(Qt::black);
    const QPen white = solidPen(Qt::white);
    scene->addRect(0, 0, 479, 271, white, Qt::NoBrush);
    for (int y = 20; y < 272; y += 21)
        scene->addLine(0, y, 480, y, white);
    for (int x = 20; x < 480; x += 20)
        scene->addLine(x, 0, x, 272, white);
    endPatternLater();
}

void TestmenuDisplay::on_butColor_clicked()
{
    startPattern(Qt::blue);
    scene->addRect(0, 0, 480, 90, solidPen(Qt::red), QBrush(Qt::red));
    scene->addRect(0, 91, 480, 90, solidPen(Qt::green), QBrush(Qt::green));
    // The blue background is the third band.
    endPatternLater();
}

void TestmenuDisplay::on_butGradient_clicked()
{
    startPattern(Qt::blue);
    // Each band runs from white on the left to its full colour on the right.
    const struct {
        int top;
        int bottom;
        int channel; // 0 red, 1 green, 2 blue
    } bands[] = {{0, 90, 0}, {91, 180, 1}, {181, 272, 2}};
    for (const auto &band : bands) {
        float fraction = 0.0f;
        for (int x = 0; x < 480; ++x) {
            const int c = qMax(0, 255 - static_cast<int>(fraction));
            const QColor color(band.channel == 0 ? 255 : c, band.channel == 1 ? 255 : c, band.channel == 2 ? 255 : c);
            scene->addLine(x, band.top, x, band.bottom, solidPen(color));
            fraction += 0.533333f;
        }
    }
    endPatternLater();
}
