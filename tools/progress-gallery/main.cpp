// SPDX-License-Identifier: MIT
// Shows a few progress bars side by side; with --png DIR it writes a PNG of
// each bar and of the whole gallery into DIR and exits.
#include "controls/SimpleProgress.h"
#include "text/ExitStatus.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QWidget>
#include <cstdio>
#include <vector>

namespace {

struct Sample {
    const char* name; // file name stem
    const char* label;
    qint16 percentage;
    quint32 fillColour;
    quint32 backColour;
    qint16 borderWidth; // twips
};

const Sample samples[] = {
    {"empty", "0 %", 0, 0xFF0000, 0xFFFFFF, 15},
    {"half", "50 % (new instance)", 50, 0xFF0000, 0xFFFFFF, 15},
    {"full", "100 %", 100, 0xFF0000, 0xFFFFFF, 15},
    {"green-on-grey", "73 %, green on grey", 73, 0x00A000, 0xD0D0D0, 15},
    {"wide-margin", "30 %, 4 pixel margin", 30, 0x0080FF, 0x402000, 60},
    {"no-margin", "88 %, no margin", 88, 0x800080, 0xFFFFFF, 0},
};

constexpr QSize BarSize(225, 25);

} // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Progress bar gallery"));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption pngOption(
        QStringLiteral("png"), QStringLiteral("Write a PNG of each bar and of the gallery into <dir>, then exit."),
        QStringLiteral("dir"));
    parser.addOption(pngOption);
    // Read before the display is opened: help and bad usage need none.
    const bool parsed = parser.parse(arguments) && parser.positionalArguments().isEmpty();
    if (!parsed || parser.isSet(helpOption)) {
        std::fputs(qPrintable(parser.helpText().replace(QStringLiteral("<executable_name>"),
                                                        QStringLiteral("progress-gallery"))),
                   parsed ? stdout : stderr);
        return parsed ? ExitStatus::Done : ExitStatus::BadUsage;
    }
    // The pictures are drawn without a screen.
    if (parser.isSet(pngOption))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QWidget gallery;
    gallery.setWindowTitle(QStringLiteral("Progress bar gallery"));
    auto* layout = new QGridLayout(&gallery);
    std::vector<SimpleProgress*> bars;
    int row = 0;
    for (const Sample& s : samples) {
        auto* bar = new SimpleProgress(&gallery);
        bar->setFixedSize(BarSize);
        bar->setPercentage(s.percentage);
        bar->setFillColour(s.fillColour);
        bar->setBackColour(s.backColour);
        bar->setBorderWidth(s.borderWidth);
        layout->addWidget(new QLabel(QString::fromLatin1(s.label), &gallery), row, 0);
        layout->addWidget(bar, row, 1);
        bars.push_back(bar);
        ++row;
    }

    if (!parser.isSet(pngOption)) {
        gallery.show();
        return app.exec();
    }

    const QDir dir(parser.value(pngOption));
    if (!QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "progress-gallery: cannot create %s\n", qPrintable(dir.path()));
        return ExitStatus::Failed;
    }
    gallery.adjustSize();
    // Rendering sends the pending resize events, so every bar is drawn
    // without a window on screen.
    std::vector<std::pair<QString, QImage>> pictures;
    pictures.emplace_back(QStringLiteral("progress-gallery.png"), gallery.grab().toImage());
    for (size_t i = 0; i < bars.size(); ++i)
        pictures.emplace_back(QStringLiteral("progress-%1.png").arg(QLatin1String(samples[i].name)),
                              bars[i]->grab().toImage());
    for (const auto& [file, picture] : pictures) {
        const QString path = dir.filePath(file);
        if (!picture.save(path, "PNG")) {
            std::fprintf(stderr, "progress-gallery: cannot write %s\n", qPrintable(path));
            return ExitStatus::Failed;
        }
        std::printf("%s\n", qPrintable(path));
    }
    return ExitStatus::Done;
}
