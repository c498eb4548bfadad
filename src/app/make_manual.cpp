// velmora-manual: turns the user manual (Markdown) into the PDF the Help command opens.
// Used by the build; runs on the offscreen platform.
#include <QFile>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: velmora-manual MANUAL.md OUTPUT.pdf\n");
        return 2;
    }
    QGuiApplication application(argc, argv);
    QFile in(QString::fromLocal8Bit(argv[1]));
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "%s: cannot be read\n", argv[1]);
        return 1;
    }
    QTextDocument document;
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(10.5);
    document.setDefaultFont(font);
    document.setDefaultStyleSheet(QStringLiteral("table { border-collapse: collapse; } td, th { padding: 3px; }"));
    document.setMarkdown(QString::fromUtf8(in.readAll()));

    QPdfWriter pdf(QString::fromLocal8Bit(argv[2]));
    pdf.setTitle(QStringLiteral("VELMORA user manual"));
    pdf.setCreator(QStringLiteral("VELMORA"));
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageMargins(QMarginsF(20, 18, 20, 18), QPageLayout::Millimeter);
    // Lay the text out over the printable width of the page (in points, as the document measures).
    pdf.setResolution(300);
    document.setPageSize(pdf.pageLayout().paintRectPoints().size());
    document.print(&pdf);
    return 0;
}
