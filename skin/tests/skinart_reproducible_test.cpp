// The art generator is a pure function of its code: two runs write the same
// bytes, and those are the bytes built into this program.
#include "embedded_skin.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool runGenerator(const QString &directory)
{
    QProcess generator;
    generator.start(QStringLiteral(SKINART_PATH), {directory + QStringLiteral("/png"), directory + QStringLiteral("/skin.cpp")});
    return generator.waitForFinished(180000) && generator.exitStatus() == QProcess::NormalExit && generator.exitCode() == 0;
}

TEST(SkinArtGenerator, TwoRunsGiveIdenticalBytesEqualToTheEmbeddedOnes)
{
    QTemporaryDir first, second;
    ASSERT_TRUE(first.isValid() && second.isValid());
    ASSERT_TRUE(runGenerator(first.path()));
    ASSERT_TRUE(runGenerator(second.path()));
    const QByteArray source = readAll(first.path() + QStringLiteral("/skin.cpp"));
    EXPECT_FALSE(source.isEmpty());
    EXPECT_EQ(source, readAll(second.path() + QStringLiteral("/skin.cpp")));
    for (std::size_t i = 0; i < kSkinImageCount; ++i) {
        const QString name = QStringLiteral("/png/") + QString::fromLatin1(skinImageNames[i].data(), qsizetype(skinImageNames[i].size())) +
                             QStringLiteral(".png");
        const QByteArray png = readAll(first.path() + name);
        ASSERT_FALSE(png.isEmpty()) << skinImageNames[i];
        EXPECT_EQ(png, readAll(second.path() + name)) << skinImageNames[i];
        const EmbeddedPng &embedded = embeddedSkinPngs[i];
        EXPECT_EQ(png, QByteArray(reinterpret_cast<const char *>(embedded.bytes), qsizetype(embedded.size))) << skinImageNames[i];
    }
}

} // namespace
