// widgetgallery OUTPUT_FOLDER
//
// Renders the caption button, the flat panel and the tiled background in each of their looks to
// PNG files in OUTPUT_FOLDER, on the colours the game's windows use. Run with
// QT_QPA_PLATFORM=offscreen where there is no display.

#include "widgets/ButtonComps.h"
#include "widgets/FontSubstitutes.h"
#include "widgets/HouseStyle.h"
#include "widgets/LbBack.h"
#include "widgets/TFlatPanelUnit.h"

#include <QApplication>
#include <QDir>
#include <QEnterEvent>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QTextStream>

namespace {

QDir outDir;
int written = 0;

void save(QWidget& widget, const QString& name) {
    const QString path = outDir.filePath(name + QStringLiteral(".png"));
    if (!widget.grab().save(path)) {
        QTextStream(stderr) << "cannot write " << path << "\n";
        std::exit(1);
    }
    ++written;
}

// A small black host window, as the game window is black.
struct Host : QWidget {
    explicit Host(QSize size, const QColor& background = Qt::black) {
        QPalette pal = palette();
        pal.setColor(QPalette::Window, background);
        setPalette(pal);
        setAutoFillBackground(true);
        resize(size);
    }
};

TSelButton* gameButton(QWidget* parent, const QString& caption, Qt::Alignment alignment) {
    auto* b = new TSelButton(parent);
    house::styleButton(b, house::darkGrey);
    b->setCaption(caption);
    b->setAlignment(alignment);
    b->setGeometry(6, 6, 132, 27);
    return b;
}

void send(QWidget* w, QEvent::Type type, Qt::MouseButtons buttons) {
    const QPointF pos = QRectF(w->rect()).center();
    QMouseEvent event(type, pos, w->mapToGlobal(pos), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

// The three caption placements, with the names the pictures carry.
const struct {
    Qt::Alignment alignment;
    const char* name;
} alignments[] = {{Qt::AlignLeft, "left"}, {Qt::AlignHCenter, "centre"}, {Qt::AlignRight, "right"}};

void hover(QWidget* w) {
    const QPointF pos = QRectF(w->rect()).center();
    QEnterEvent event{pos, pos, w->mapToGlobal(pos)};
    QApplication::sendEvent(w, &event);
}

void buttons() {
    for (const auto& a : alignments) {
        const QString stem = QStringLiteral("button_%1_").arg(QLatin1String(a.name));
        Host host(QSize(144, 39));
        host.show();
        TSelButton* b = gameButton(&host, QStringLiteral("START"), a.alignment);
        b->show();
        save(host, stem + QStringLiteral("normal"));
        hover(b);
        save(host, stem + QStringLiteral("hover"));
        send(b, QEvent::MouseButtonPress, Qt::LeftButton);
        save(host, stem + QStringLiteral("pressed"));
    }

    // The default colours, and a button whose own Enabled flag is off, after hover and press.
    {
        Host host(QSize(117, 32));
        host.show();
        auto* b = new TSelButton(&host);
        b->setObjectName(QStringLiteral("button_default"));
        b->move(6, 6);
        b->show();
        save(host, QStringLiteral("button_defaults_normal"));
        hover(b);
        save(host, QStringLiteral("button_defaults_hover"));
        send(b, QEvent::MouseButtonPress, Qt::LeftButton);
        save(host, QStringLiteral("button_defaults_pressed"));
    }
    {
        Host host(QSize(144, 39));
        host.show();
        TSelButton* b = gameButton(&host, QStringLiteral("PAUSE GAME"), Qt::AlignHCenter);
        b->setEnabledFlag(false);
        b->show();
        hover(b);
        send(b, QEvent::MouseButtonPress, Qt::LeftButton);
        save(host, QStringLiteral("button_enabled_flag_off_pressed"));
    }
    for (int width : {0, 1, 3}) {
        Host host(QSize(144, 39));
        host.show();
        TSelButton* b = gameButton(&host, QStringLiteral("DONE"), Qt::AlignHCenter);
        b->setBorderWidth(width);
        b->show();
        save(host, QStringLiteral("button_border_%1").arg(width));
    }
    {
        Host host(QSize(144, 39));
        host.show();
        gameButton(&host, QStringLiteral("VIEW HIGH SCORES NOW"), Qt::AlignHCenter)->show();
        save(host, QStringLiteral("button_caption_too_wide"));
    }
}

TFlatPanel* popupPanel(QWidget* parent, const QString& caption, Qt::Alignment alignment) {
    auto* p = new TFlatPanel(parent);
    p->setGeometry(10, 10, 220, 40);
    p->setColor(Qt::black);
    p->setColorHighLight(house::maroon);
    p->setColorShadow(house::maroon);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(19);
    font.setBold(true);
    p->setFont(font);
    p->setFontColor(house::lightGrey);
    p->setCaption(caption);
    p->setAlignment(alignment);
    return p;
}

// A parent that paints stripes of its own, so the transparent panel has something to show.
struct StripedHost : Host {
    StripedHost() : Host(QSize(240, 60)) {}
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        for (int x = 0; x < width(); x += 16) {
            p.fillRect(QRect(x, 0, 8, height()), QColor(40, 40, 120));
        }
    }
};

void panels() {
    for (const auto& a : alignments) {
        Host host(QSize(240, 60), QColor(60, 60, 60));
        host.show();
        popupPanel(&host, QStringLiteral("ENTER YOUR NAME"), a.alignment)->show();
        save(host, QStringLiteral("panel_%1").arg(QLatin1String(a.name)));
    }
    {
        Host host(QSize(240, 60), QColor(60, 60, 60));
        host.show();
        TFlatPanel* p = popupPanel(&host, QStringLiteral("Update Available"), Qt::AlignHCenter);
        p->setColor(QColor(212, 208, 200));
        p->setFontColor(Qt::black);
        p->setColorHighLight(QColor(255, 255, 255));
        p->setColorShadow(QColor(64, 64, 64));
        p->setEnabled(false);
        p->show();
        save(host, QStringLiteral("panel_disabled_embossed"));
    }
    {
        StripedHost host;
        host.show();
        TFlatPanel* p = popupPanel(&host, QStringLiteral("SEE-THROUGH"), Qt::AlignHCenter);
        p->setTransparent(true);
        p->show();
        save(host, QStringLiteral("panel_transparent"));
    }
    {
        Host host(QSize(240, 60), QColor(60, 60, 60));
        host.show();
        popupPanel(&host, QStringLiteral("Posting Score, Please Wait......"), Qt::AlignLeft)
            ->show();
        save(host, QStringLiteral("panel_caption_cut"));
    }
    {
        Host host(QSize(240, 60), QColor(60, 60, 60));
        host.show();
        auto* p = new TFlatPanel(&host);
        p->setCaption(QStringLiteral("FlatPanel1"));
        p->move(10, 10);
        p->show();
        save(host, QStringLiteral("panel_defaults"));
    }
}

void background() {
    QImage tile(173, 171, QImage::Format_RGB32);
    tile.fill(QColor(30, 90, 40));
    {
        QPainter p(&tile);
        p.setPen(QColor(250, 220, 60));
        p.drawRect(0, 0, 172, 170);
        p.setBrush(QColor(200, 60, 120));
        p.drawEllipse(QPoint(86, 85), 50, 50);
    }
    Host window(QSize(609, 590));
    window.show();
    auto* back = new TLbBackground(&window);
    back->setImage(tile);
    auto* panel =
        popupPanel(&window, QStringLiteral("Transparent panel on tiles"), Qt::AlignHCenter);
    panel->setGeometry(150, 260, 300, 60);
    panel->setTransparent(true);
    panel->show();
    save(window, QStringLiteral("background_tiled"));
    back->setImage(QImage());
    save(window, QStringLiteral("background_empty"));
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: widgetgallery OUTPUT_FOLDER\n";
        return 2;
    }
    installFontSubstitutes();
    outDir = QDir(QString::fromLocal8Bit(argv[1]));
    if (!outDir.mkpath(QStringLiteral("."))) {
        QTextStream(stderr) << "cannot create " << outDir.path() << "\n";
        return 1;
    }
    buttons();
    panels();
    background();
    QTextStream(stdout) << written << " pictures written to " << outDir.path() << "\n";
    return 0;
}
