#pragma once

#include <QImage>
#include <QWidget>

// The diagram surface: shows the persistent chart image, so the chart
// survives any repaint of the window.
class ChartView : public QWidget {
    Q_OBJECT
public:
    explicit ChartView(QWidget *parent = nullptr);
    // The image to show; the view keeps a pointer and repaints on request.
    void setImage(const QImage *image);
    const QImage *image() const { return m_image; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const QImage *m_image = nullptr;
};
