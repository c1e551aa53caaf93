#include "shell/print_dialog.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "desktop/print_page.h"
#include "shell/view_math.h"

namespace vimbra {
namespace {

constexpr int kHelpPrint = 130;

}  // namespace

PrintDialog::PrintDialog(QPrinter& printer, const QString& fileName, const QImage& picture,
                         QWidget* parent)
    : QDialog(parent), printer_(printer), picture_(picture) {
    setWindowTitle(QStringLiteral("Print Setup: ") + QFileInfo(fileName).fileName());
    settings_ = new QLabel(this);
    previewArea_ = new QWidget(this);
    previewArea_->setFixedSize(200, 200);
    paper_ = new QLabel(previewArea_);
    paper_->setStyleSheet(QStringLiteral("background: white; border: 1px solid gray"));
    doc_ = new QLabel(paper_);
    doc_->setScaledContents(true);
    xScroll_ = new QScrollBar(Qt::Horizontal, this);
    yScroll_ = new QScrollBar(Qt::Vertical, this);
    zoomScroll_ = new QScrollBar(Qt::Horizontal, this);
    zoomScroll_->setRange(1, 100);
    zoomScroll_->setPageStep(10);
    zoomScroll_->setValue(100);
    width_ = new QLabel(this);
    height_ = new QLabel(this);
    x_ = new QLabel(this);
    y_ = new QLabel(this);
    size_ = new QLabel(QString::fromStdString(SizeLabel(100)), this);
    measureBox_ = new QComboBox(this);
    measureBox_->addItems({QStringLiteral("Pixels"), QStringLiteral("Inches"), QStringLiteral("cm.")});
    measureBox_->setCurrentIndex(1);
    auto* measureLabel = new QLabel(QStringLiteral("&Measure:"), this);
    measureLabel->setBuddy(measureBox_);

    auto* center = new QPushButton(QStringLiteral("Cen&ter"), this);
    auto* setup = new QPushButton(QStringLiteral("&Setup"), this);
    auto* printIt = new QPushButton(QStringLiteral("&Print It"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    auto* help = new QPushButton(QStringLiteral("&Help"), this);
    printIt->setDefault(true);
    // No buddies: the labels draw "&X pos" with its ampersand, as plain text.
    for (QLabel* l : {x_, y_, width_, height_, size_}) l->setTextFormat(Qt::PlainText);

    auto* grid = new QGridLayout;
    grid->addWidget(previewArea_, 0, 0);
    grid->addWidget(yScroll_, 0, 1);
    grid->addWidget(xScroll_, 1, 0);
    auto* right = new QVBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(x_), static_cast<QWidget*>(y_),
                       static_cast<QWidget*>(width_), static_cast<QWidget*>(height_),
                       static_cast<QWidget*>(measureLabel), static_cast<QWidget*>(measureBox_),
                       static_cast<QWidget*>(size_), static_cast<QWidget*>(zoomScroll_)})
        right->addWidget(w);
    right->addStretch();
    for (QPushButton* b : {center, setup, printIt, cancel, help}) right->addWidget(b);
    auto* body = new QHBoxLayout;
    body->addLayout(grid);
    body->addLayout(right);
    auto* top = new QVBoxLayout(this);
    top->addWidget(settings_);
    top->addLayout(body);

    connect(printIt, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [this] {
        if (onHelp) onHelp(kHelpPrint);
    });
    connect(center, &QPushButton::clicked, this, [this] { AllSpecs(); });
    connect(setup, &QPushButton::clicked, this, &PrintDialog::onSetup);
    connect(zoomScroll_, &QScrollBar::valueChanged, this, [this](int) { AllSpecs(); });
    connect(measureBox_, &QComboBox::currentIndexChanged, this, [this](int i) {
        measure_ = PrintMeasure(i);
        UpdateDocPosition();
    });
    auto moved = [this](int) {
        if (updating_) return;
        placement_ = MovedPlacement(placement_, xScroll_->value(), yScroll_->value());
        UpdateDocPosition();
    };
    connect(xScroll_, &QScrollBar::valueChanged, this, moved);
    connect(yScroll_, &QScrollBar::valueChanged, this, moved);
    AllSpecs();
}

int PrintDialog::sizePercent() const { return zoomScroll_->value(); }
void PrintDialog::setSizePercent(int percent) { zoomScroll_->setValue(percent); }
void PrintDialog::setMeasure(PrintMeasure measure) { measureBox_->setCurrentIndex(int(measure)); }
void PrintDialog::moveTo(int x, int y) {
    xScroll_->setValue(x);
    yScroll_->setValue(y);
}

QLabel* PrintDialog::label(const char* which) const {
    const std::string w = which;
    if (w == "width") return width_;
    if (w == "height") return height_;
    if (w == "x") return x_;
    if (w == "y") return y_;
    if (w == "size") return size_;
    return settings_;
}

QString PrintDialog::labelText(const char* which) const {
    const std::string w = which;
    if (w == "width") return width_->text();
    if (w == "height") return height_->text();
    if (w == "x") return x_->text();
    if (w == "y") return y_->text();
    if (w == "size") return size_->text();
    return settings_->text();
}

void PrintDialog::AllSpecs() {
    updating_ = true;
    page_ = PageOf(printer_);
    placement_ = CentredPlacement(page_, picture_.width(), picture_.height(), zoomScroll_->value());
    xScroll_->setRange(0, placement_.xMax);
    xScroll_->setPageStep(placement_.xStep);
    xScroll_->setValue(placement_.x);
    yScroll_->setRange(0, placement_.yMax);
    yScroll_->setPageStep(placement_.yStep);
    yScroll_->setValue(placement_.y);
    size_->setText(QString::fromStdString(SizeLabel(zoomScroll_->value())));
    updating_ = false;
    UpdateDocPosition();
}

void PrintDialog::UpdateDocPosition() {
    const PrintLabels l = LabelsFor(page_, placement_, measure_);
    width_->setText(QString::fromStdString(l.width));
    height_->setText(QString::fromStdString(l.height));
    x_->setText(QString::fromStdString(l.x));
    y_->setText(QString::fromStdString(l.y));
    settings_->setText(QString::fromStdString(l.settings));
    updatePreview();
}

void PrintDialog::updatePreview() {
    if (page_.width <= 0 || page_.height <= 0) return;
    const ViewSize paper = FitInBox(page_.width, page_.height, previewArea_->width(),
                                    previewArea_->height());
    paper_->setGeometry((previewArea_->width() - paper.width) / 2,
                        (previewArea_->height() - paper.height) / 2, paper.width, paper.height);
    // The thumbnail at the printed size and place, in preview pixels.
    auto scale = [](int v, int from, int to) { return int(int64_t(v) * to / from); };
    doc_->setGeometry(scale(placement_.x, page_.width, paper.width),
                      scale(placement_.y, page_.height, paper.height),
                      std::max(1, scale(placement_.width, page_.width, paper.width)),
                      std::max(1, scale(placement_.height, page_.height, paper.height)));
    if (doc_->pixmap().isNull() && !picture_.isNull())
        doc_->setPixmap(QPixmap::fromImage(picture_.scaled(160, 160, Qt::KeepAspectRatio)));
}

void PrintDialog::onSetup() {
    QPrintDialog dialog(&printer_, this);
    if (dialog.exec() == QDialog::Accepted) AllSpecs();
}

}  // namespace vimbra
