#pragma once

#include "history/historystore.h"
#include "history/historyview.h"
#include "sensors/conversion.h"

#include <QWidget>
#include <array>
#include <filesystem>
#include <functional>
#include <vector>

class MessageBoxes;
class QCheckBox;
class QLabel;
class QPushButton;

// What the History window reads from and asks of the main window.
class HistorySource {
public:
    virtual ~HistorySource() = default;
    virtual QString sensorHeading(int sensor) const = 0;
    virtual Scale scaleInUse() const = 0;
    // The History setting, Record.
    virtual bool historyRecorded() const = 0;
    virtual void setHistoryRecorded(bool on) = 0;
};

// The plot: one line per chosen sensor over the range shown, broken where nothing was recorded.
// The wheel zooms around the pointer; dragging pans.
class HistoryPlot final : public QWidget {
    Q_OBJECT

public:
    explicit HistoryPlot(QWidget* parent);

    void show(const std::vector<HistoryPoint>* points, TimeRange range, std::array<bool, 4> chosen,
              bool fahrenheit);
    void setMessage(const QString& text);
    // Where a time and a temperature (hundredths of a degree Celsius) fall.
    QRect plotRect() const;
    double xOf(std::int64_t unixMs) const;
    double yOf(double centiCelsius) const;

signals:
    void zoomAsked(std::int64_t atMs, double factor);
    void panAsked(std::int64_t deltaMs);

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void chooseScale();

    const std::vector<HistoryPoint>* m_points = nullptr;
    TimeRange m_range;
    std::array<bool, 4> m_chosen{};
    bool m_fahrenheit = false;
    double m_low = 0; // the vertical scale, in the scale shown
    double m_high = 1;
    double m_step = 1;
    QString m_message;
    double m_dragX = 0;
};

// The History window: modeless, at most one, deletes itself when closed.
class frmHistory final : public QWidget {
    Q_OBJECT

public:
    frmHistory(HistorySource* source, std::filesystem::path file, MessageBoxes* messageBoxes,
               std::function<std::int64_t()> now);

    // Names and the Record setting from the source; none when the main window has gone.
    void setSource(HistorySource* source);
    // Draws again and recomputes the figures, as after a change of scale.
    void refresh();
    // Reads the range again, as after a range button.
    void showRange(TimeRange range);
    void chooseRange(RangeChoice choice);
    TimeRange range() const { return m_range; }
    const std::vector<HistoryPoint>& points() const { return m_points; }
    // Writes the range shown to file: a PNG picture when its name ends so, CSV otherwise. The
    // reason for the user when that fails.
    std::optional<QString> exportTo(const QString& file);

    std::array<QPushButton*, 6> rangeButtons{};
    std::array<QCheckBox*, 4> sensorBoxes{};
    QCheckBox* chkRecord = nullptr;
    QPushButton* btnExport = nullptr;
    QPushButton* btnClose = nullptr;
    HistoryPlot* plot = nullptr;
    // Per sensor: name, minimum, mean, maximum, time of the minimum, time of the maximum.
    std::array<std::array<QLabel*, 6>, 4> figures{};
    // Asks where to export; empty for no export. A file dialog unless a test sets it.
    std::function<QString()> chooseExportFile;

private:
    void showFigures();
    void exportClicked();

    HistorySource* m_source;
    std::filesystem::path m_file;
    MessageBoxes* m_messageBoxes;
    std::function<std::int64_t()> m_now;
    HistoryStore m_store;
    TimeRange m_range;
    std::vector<HistoryPoint> m_points;
};
