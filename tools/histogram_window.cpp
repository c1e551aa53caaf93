#include "tools/histogram_window.h"

#include <QButtonGroup>
#include <QCursor>
#include <QGuiApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QVBoxLayout>

#include "core/histogram_view.h"

namespace vimbra {
namespace {

constexpr int kHelpHistogram = 450;

const Histogram& Channel(const Histograms& h, int c) {
    switch (c) {
        case 0: return h.HistRed;
        case 1: return h.HistGrn;
        case 2: return h.HistBlu;
        case 3: return h.HistGry;
        default: return h.HistSat;
    }
}

QColor ChannelColor(int c) {
    switch (c) {
        case 0: return QColor(255, 0, 0);
        case 1: return QColor(0, 128, 0);
        case 2: return QColor(0, 0, 255);
        case 3: return QColor(0, 0, 0);
        default: return QColor(128, 0, 128);
    }
}

}  // namespace

HistogramBox::HistogramBox(const Histograms& h, QWidget* parent) : QWidget(parent), h_(h) {
    setFixedSize(256, 256);
    setAccessibleName(QStringLiteral("Histogram"));
}

void HistogramBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const auto draw = [&](int c) {
        p.setPen(ChannelColor(c));
        const Histogram& bins = Channel(h_, c);
        for (int i = 0; i < 256; ++i) {
            const int height = HistogramBarHeight(bins[i], h_.HistPeak, zoom);
            if (height > 0) p.drawLine(i, 255, i, 255 - height);
        }
    };
    for (int c : {4, 0, 1, 2, 3}) draw(c);
    draw(front);  // once more, in front
    if (selected >= 0) {
        p.setPen(QPen(Qt::black, 1, Qt::DotLine));
        p.drawLine(selected, 0, selected, 255);
    }
}

void HistogramBox::mouseReleaseEvent(QMouseEvent* event) {
    emit clickedAt(std::clamp(int(event->position().x()), 0, 255));
}

HistogramWindow::HistogramWindow(const Histograms& h, const QString& title, QWidget* parent)
    : QDialog(parent), h_(h) {
    setWindowTitle(title);
    box_ = new HistogramBox(h, this);
    track_ = new QSlider(Qt::Horizontal, this);
    track_->setRange(0, 255);
    track_->setAccessibleName(QStringLiteral("Bin"));
    auto* axis = new QLabel(QStringLiteral("shadows <---   intensities  ---> highlights"), this);
    axis->setAlignment(Qt::AlignCenter);
    auto* group = new QGroupBox(QStringLiteral("Channel"), this);
    auto* groupLayout = new QVBoxLayout(group);
    channels_ = new QButtonGroup(this);
    const char* names[] = {"&Red", "&Green", "&Blue", "Gr&ay", "&Sat"};
    for (int i = 0; i < 5; ++i) {
        auto* b = new QRadioButton(QString::fromLatin1(names[i]), group);
        channels_->addButton(b, i);
        groupLayout->addWidget(b);
    }
    channels_->button(3)->setChecked(true);
    bin_ = new QLabel(this);
    bin_->setAccessibleName(QStringLiteral("Bin counts"));
    bin_->setMinimumSize(73, 120);
    bin_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    zoom_ = new QPushButton(QStringLiteral("&Zoom x1"), this);
    zoom_->setDefault(true);
    auto* help = new QPushButton(QStringLiteral("&Help"), this);
    auto* close = new QPushButton(QStringLiteral("Close"), this);

    connect(channels_, &QButtonGroup::idClicked, this, [this](int id) {
        box_->front = id;
        box_->update();
    });
    connect(track_, &QSlider::valueChanged, this, &HistogramWindow::selectBin);
    connect(box_, &HistogramBox::clickedAt, this, [this](int x) {
        if (track_->value() == x) selectBin(x);
        track_->setValue(x);
    });
    connect(zoom_, &QPushButton::clicked, this, &HistogramWindow::zoomClicked);
    connect(help, &QPushButton::clicked, this, [this] {
        if (onHelp) onHelp(kHelpHistogram);
    });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* grid = new QGridLayout(this);
    grid->addWidget(box_, 0, 0);
    grid->addWidget(track_, 1, 0);
    grid->addWidget(axis, 2, 0);
    auto* side = new QVBoxLayout;
    side->addWidget(group);
    side->addWidget(bin_);
    side->addStretch();
    side->addWidget(zoom_);
    side->addWidget(help);
    side->addWidget(close);
    grid->addLayout(side, 0, 1, 3, 1);
    // The box is drawn at 255 x 255 pixels, so the window has one size.
    grid->setSizeConstraint(QLayout::SetFixedSize);
}

void HistogramWindow::selectBin(int bin) {
    bin_->setText(QString::fromStdString(HistogramBinText(h_, bin)));
    box_->selected = bin;
    box_->update();
}

void HistogramWindow::zoomClicked() {
    box_->zoom = NextHistogramZoom(box_->zoom);
    zoom_->setText(QStringLiteral("&Zoom x%1").arg(box_->zoom));
    box_->update();
}

QPoint PlaceAtPointer(QPoint pointer, QSize size, QRect screen) {
    int left = std::max(pointer.x() - size.width() / 2, screen.left());
    int top = std::max(pointer.y() - size.height() / 2, screen.top());
    if (left + size.width() > screen.right() + 1) left = screen.right() + 1 - size.width();
    if (top + size.height() > screen.bottom() + 1) top = screen.bottom() + 1 - size.height();
    return {left, top};
}

void ExecuteHistogramDlg(QWidget* parent, const Histograms& h, const QString& title,
                         std::function<void(int context)> help) {
    HistogramWindow dlg(h, title, parent);
    dlg.onHelp = std::move(help);
    dlg.adjustSize();
    const QPoint pointer = QCursor::pos();
    if (const QScreen* screen = QGuiApplication::screenAt(pointer))
        dlg.move(PlaceAtPointer(pointer, dlg.frameGeometry().size(), screen->geometry()));
    dlg.exec();
}

}  // namespace vimbra
