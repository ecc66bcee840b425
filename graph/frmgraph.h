#pragma once

#include "graph/drawing.h"

#include <QPointer>
#include <QWidget>
#include <array>

class GraphSource;
class PlotArea;
class QLabel;
class QPushButton;
class QTimer;

// The graph window's variables that outlive an unload: zero when first created, owned by the
// caller for the whole run.
struct GraphState {
    int TickCount = 0;
    std::array<int, 4> LastY{}; // LastY1..LastY4: the row each trace ended at on the last tick
    std::array<int, 4> Temp{};  // Temp1..Temp4: the temperatures read on the last tick
};

// The strip chart of the last 400 seconds. Constructing it loads it (the load step runs and the
// window shows); closing it by any means unloads it and deletes it.
class frmGraph final : public QWidget {
    Q_OBJECT
public:
    static constexpr int ImageWidth = 400;
    static constexpr int ImageHeight = 250;

    frmGraph(GraphState& state, GraphSource* source);
    ~frmGraph() override;

    // Called with nullptr when the main window goes: the graph then scrolls on without traces.
    void setSource(GraphSource* source) { m_source = source; }

    // The off-screen image, which is the plot's whole history.
    const QImage& image() const { return m_memDC.image(); }

    // The plotting tick, run once a second by Timer1.
    void Timer1_Timer();
    void btnG_Close_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void Form_Load();
    void refreshPlotArea();
    void showScale(const std::array<QLabel*, 11>& shown, const std::array<QLabel*, 11>& other);

    GraphState& m_state;
    GraphSource* m_source;

    DrawingSurface m_memDC;
    Pen m_penBlack;
    std::array<Pen, 4> m_tracePens; // Pen1..Pen4

    PlotArea* m_picture1 = nullptr;
    QLabel* m_picture2 = nullptr;
    std::array<QLabel*, 4> m_legend{}; // Label1..Label4
    QLabel* m_label5 = nullptr;
    QPushButton* m_btnClose = nullptr;
    std::array<QLabel*, 11> m_lblC{}; // lblC1..lblC11, bottom to top
    std::array<QLabel*, 11> m_lblF{}; // lblF1..lblF11
    QTimer* m_timer1 = nullptr;
};
