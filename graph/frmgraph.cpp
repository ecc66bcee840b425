#include "graph/frmgraph.h"

#include "graph/graphsource.h"
#include "graph/plotarea.h"
#include "graph/sensorcolours.h"

#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cstdint>

namespace {

constexpr QRgb WindowGrey = qRgb(192, 192, 192);

// Captions of lblC1..lblC11 and lblF1..lblF11, bottom to top. The missing degree signs and the
// leading spaces are how the scale has always read.
const std::array<const char*, 11> CelsiusCaptions = {
    "-25", "-12.5°", "0°", "12.5", "25°", "37.5°", "50°", "62.5°", "75°", "87.5°", "°C"};
const std::array<const char*, 11> FahrenheitCaptions = {
    "-50°", "-25°", " 0°", " 25°", " 50°", " 75°", "100°", "125°", "150°", "175°", "°F"};

constexpr int ScaleLeft = 424;
constexpr int ScaleStep = 24;
constexpr int BarSpacing = 25;
constexpr int GridSpacing = 25;
// A row far enough off the image to be clipped, yet small enough for the drawing's arithmetic.
constexpr std::int64_t FarRow = 1 << 28;

// MS Sans Serif stands in as the platform's default sans face at the same size.
QFont sansFont(qreal points, bool bold)
{
    QFont font = QApplication::font(); // the program's sans face
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, QRect place,
                  const QFont& font)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(place);
    label->setFont(font);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

void setTextColour(QWidget* widget, QRgb colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, QColor::fromRgb(colour));
    widget->setPalette(palette);
}

// The main window writes whole numbers; anything else (empty before its first conversion) is
// not plotted.
bool readWholeNumber(const QString& text, int& value)
{
    bool ok = false;
    const int number = text.trimmed().toInt(&ok, 10);
    if (ok)
        value = number;
    return ok;
}

int rowOf(std::int64_t row)
{
    return int(std::clamp(row, -FarRow, FarRow));
}

} // namespace

frmGraph::frmGraph(GraphState& state, GraphSource* source)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_state(state), m_source(source)
{
    setAttribute(Qt::WA_DeleteOnClose);
    createControls();
    Form_Load();
}

frmGraph::~frmGraph()
{
    m_picture1->setImage(nullptr);
}

void frmGraph::createControls()
{
    setObjectName(QStringLiteral("frmGraph"));
    setWindowTitle(QStringLiteral("Quorvil4 graph"));
    setFixedSize(454, 309);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor::fromRgb(WindowGrey));
    setPalette(palette);
    setAutoFillBackground(true);

    const QFont standard = sansFont(8.25, false);
    const QFont bold = sansFont(8.25, true);
    setFont(standard);

    m_picture1 = new PlotArea(this);
    m_picture1->setObjectName(QStringLiteral("Picture1"));

    m_picture2 = makeLabel(this, "Picture2", QString(), QRect(8, 264, 41, 33), standard);
    m_picture2->setPixmap(QApplication::windowIcon().pixmap(32, 32));

    static constexpr std::array<const char*, 4> LegendNames = {"Label1", "Label2", "Label3",
                                                               "Label4"};
    for (int i = 0; i < 4; ++i) {
        m_legend[i] = makeLabel(this, LegendNames[i], QStringLiteral("Sensor %1").arg(i + 1),
                                QRect(64 + 64 * i, 264, 57, 17), bold);
        setTextColour(m_legend[i], LegendColours[i]);
    }

    m_label5 = makeLabel(this, "Label5", QStringLiteral("Vertical bars are 25 seconds apart."),
                         QRect(80, 280, 217, 17), bold);
    m_label5->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    m_btnClose = new QPushButton(QStringLiteral("Close"), this);
    m_btnClose->setObjectName(QStringLiteral("btnG_Close"));
    m_btnClose->setGeometry(344, 272, 65, 25);
    connect(m_btnClose, &QPushButton::clicked, this, &frmGraph::btnG_Close_Click);

    const QFont header = sansFont(12, true);
    // The design's 25 pixels clip "-12.5°" and "87.5°" at this face; the labels reach the
    // window's edge instead, which keeps the column where it was.
    const int scaleWidth = width() - ScaleLeft;
    for (int i = 0; i < 11; ++i) {
        const int top = (10 - i) * ScaleStep;
        const QFont& font = i == 10 ? header : standard;
        const QByteArray cName = "lblC" + QByteArray::number(i + 1);
        const QByteArray fName = "lblF" + QByteArray::number(i + 1);
        m_lblC[i] = makeLabel(this, cName.constData(), QString::fromUtf8(CelsiusCaptions[i]),
                              QRect(ScaleLeft, top, scaleWidth, 17), font);
        m_lblF[i] = makeLabel(this, fName.constData(), QString::fromUtf8(FahrenheitCaptions[i]),
                              QRect(ScaleLeft, top, i == 2 ? 17 : scaleWidth, 17), font);
        m_lblC[i]->hide();
        m_lblF[i]->hide();
    }

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setTimerType(Qt::PreciseTimer);
    connect(m_timer1, &QTimer::timeout, this, &frmGraph::Timer1_Timer);
}

void frmGraph::Form_Load()
{
    show();
    m_picture1->setGeometry(0, 0, 405, 255);
    m_state.TickCount = 0;

    // The image starts as the plot area's background; the grid is drawn straight into it rather
    // than on screen and copied back, which would need the plot area uncovered.
    m_memDC = DrawingSurface(QSize(ImageWidth, ImageHeight),
                             m_picture1->palette().color(QPalette::Button).rgb());
    m_penBlack = Pen{qRgb(0, 0, 0), 0};
    for (int i = 0; i < 4; ++i)
        m_tracePens[i] = Pen{TraceColours[i], 2};
    m_memDC.selectPen(m_penBlack);

    for (int y = GridSpacing; y <= ImageHeight - 1; y += GridSpacing) {
        m_memDC.moveTo(0, y);
        m_memDC.lineTo(ImageWidth, y);
    }
    for (int x = BarSpacing; x <= ImageWidth - 1; x += BarSpacing) {
        m_memDC.moveTo(x, 0);
        m_memDC.lineTo(x, ImageHeight);
    }
    m_picture1->setImage(&m_memDC.image());

    m_timer1->setInterval(1000);
    m_timer1->start();
}

void frmGraph::Timer1_Timer()
{
    constexpr int Last = ImageWidth - 1; // never drawn on; every scroll copies it leftward
    constexpr int NewColumn = Last - 1;

    m_memDC.copy(QPoint(0, 0), QRect(1, 0, ImageWidth - 1, ImageHeight));

    if (m_state.TickCount % BarSpacing == 0) {
        m_memDC.moveTo(NewColumn, 0);
        m_memDC.lineTo(NewColumn, ImageHeight);
    }

    bool refreshed = false;
    if (m_source) {
        std::array<bool, 4> readable{};
        for (int i = 0; i < 4; ++i)
            readable[i] = readWholeNumber(m_source->bareTemperature(i + 1), m_state.Temp[i]);

        std::array<int, 4> newY{};
        if (m_source->fahrenheitSelected()) {
            for (int i = 0; i < 4; ++i)
                newY[i] = rowOf(200 - std::int64_t(m_state.Temp[i]));
            showScale(m_lblF, m_lblC);
        } else if (m_source->celsiusSelected()) {
            for (int i = 0; i < 4; ++i)
                newY[i] = rowOf(200 - 2 * std::int64_t(m_state.Temp[i]));
            showScale(m_lblC, m_lblF);
        }

        for (int i = 0; i < 4; ++i) {
            if (!readable[i])
                continue;
            m_memDC.selectPen(m_tracePens[i]);
            m_memDC.moveTo(NewColumn - 1, m_state.LastY[i]);
            m_memDC.lineTo(NewColumn, newY[i]);
            m_memDC.selectPen(m_penBlack);
            refreshPlotArea();
            refreshed = true;
        }
        for (int i = 0; i < 4; ++i) {
            if (readable[i])
                m_state.LastY[i] = newY[i];
        }
    }
    // Without a segment the scroll still has to reach the screen.
    if (!refreshed)
        refreshPlotArea();

    ++m_state.TickCount;
}

void frmGraph::showScale(const std::array<QLabel*, 11>& shown, const std::array<QLabel*, 11>& other)
{
    // The columns share one place: left on screen together after a change of scale, they
    // would print over each other.
    for (QLabel* label : other)
        label->setVisible(false);
    for (QLabel* label : shown)
        label->setVisible(true);
}

void frmGraph::refreshPlotArea()
{
    m_picture1->update();
}

void frmGraph::closeEvent(QCloseEvent* event)
{
    // Closing by any means unloads; no tick may reach a window on its way out.
    m_timer1->stop();
    QWidget::closeEvent(event);
}

void frmGraph::btnG_Close_Click()
{
    close();
}
