// Build-time tool: decodes the title screen's pictures and the window icon once, and writes their pixels as C++
// arrays, so that the game shows them at start-up without opening an image reader or its plugins.
// Usage: fururupo_unpack_pictures OUTPUT.cpp NAME=PICTURE...
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QString>

#include <cstdio>

namespace {

bool writeAll(QFile& out, const QByteArray& text)
{
    return out.write(text) == text.size();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUTPUT.cpp NAME=PICTURE...\n", argv[0]);
        return 2;
    }
    QByteArray text =
        "// Made at build time by fururupo_unpack_pictures from the pictures in assets/; not to be edited.\n"
        "#include \"unpacked_pictures.h\"\n\n#include <array>\n\nnamespace fururupo {\n\nnamespace {\n\n";
    QByteArray table;
    for (int i = 2; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        const qsizetype split = argument.indexOf('=');
        if (split <= 0) {
            std::fprintf(stderr, "%s: expected NAME=PICTURE, got %s\n", argv[0], argv[i]);
            return 2;
        }
        const QByteArray name = argument.left(split);
        const QString file = QString::fromLocal8Bit(argument.mid(split + 1));
        QImageReader reader(file);
        QImage image = reader.read();
        if (image.isNull()) {
            std::fprintf(stderr, "%s: cannot read %s: %s\n", argv[0], qPrintable(file),
                         qPrintable(reader.errorString()));
            return 1;
        }
        // The formats a raster pixmap keeps as they are, so that the game's pixmaps share these arrays.
        const bool alpha = image.hasAlphaChannel();
        image.convertTo(alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
        const QByteArray array = "pixels" + QByteArray::number(i - 2);
        text += "// " + name + ", " + QByteArray::number(image.width()) + " x " + QByteArray::number(image.height()) +
                "\nconst std::uint32_t " + array + "[] = {\n";
        for (int y = 0; y < image.height(); ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                char cell[16];
                std::snprintf(cell, sizeof cell, "0x%08x,", static_cast<unsigned>(row[x]));
                text += cell;
                text += (x % 8 == 7 || x + 1 == image.width()) ? '\n' : ' ';
            }
        }
        text += "};\n\n";
        table += "    UnpackedPicture{\"" + name + "\", " + QByteArray::number(image.width()) + ", " +
                 QByteArray::number(image.height()) + ", " + (alpha ? "true" : "false") + ", " + array + "},\n";
    }
    text += "const std::array pictures = {\n" + table +
            "};\n\n} // namespace\n\n"
            "std::span<const UnpackedPicture> unpackedPictures()\n{\n    return pictures;\n}\n\n"
            "} // namespace fururupo\n";

    QFile out(QString::fromLocal8Bit(argv[1]));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || !writeAll(out, text) || !out.flush()) {
        std::fprintf(stderr, "%s: cannot write %s: %s\n", argv[0], argv[1], qPrintable(out.errorString()));
        return 1;
    }
    return 0;
}
