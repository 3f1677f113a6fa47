// The pieces of the ticket import's streamed load: the chunk stream between the
// converting thread and the server's reader, and the keys a bulk load builds afterwards.

#include <parking/imports/ChunkStream.h>
#include <parking/imports/DeferredKeys.h>
#include <parking/imports/ImportError.h>

#include <QtTest>

#include <atomic>

using namespace imports;

namespace {

// Reads the whole stream in pieces of 'piece' bytes.
QByteArray ReadAll(ChunkStream &stream, qint64 piece)
{
    QByteArray all;
    QByteArray buffer(piece, '\0');
    for (qint64 n; (n = stream.Read(buffer.data(), piece)) > 0;)
        all.append(buffer.constData(), n);
    return all;
}

} // namespace

class TestImportStreaming : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void bytesArriveInOrder();
    void emptyStream();
    void producerErrorReachesReader();
    void readerLeavingStopsProducer();
    void plainKeysOfCreateTable();
};

void TestImportStreaming::bytesArriveInOrder()
{
    QByteArray expected;
    for (int i = 0; i < 300; ++i)
        expected += QByteArray(1 + i % 17, char('a' + i % 26));
    ChunkStream stream([&expected](const ChunkStream::Put &put) {
        for (qsizetype at = 0; at < expected.size(); at += 23)
            put(expected.mid(at, 23));
        put({}); // an empty chunk is no end
    });
    // Reads that straddle the chunks, more chunks than the queue holds.
    QCOMPARE(ReadAll(stream, 7), expected);
    QCOMPARE(stream.Read(nullptr, 0), qint64(0));
    stream.Finish();
}

void TestImportStreaming::emptyStream()
{
    ChunkStream stream([](const ChunkStream::Put &) {});
    char byte = 0;
    QCOMPARE(stream.Read(&byte, 1), qint64(0));
    stream.Finish();
}

void TestImportStreaming::producerErrorReachesReader()
{
    ChunkStream stream([](const ChunkStream::Put &put) {
        put("prvi deo");
        throw ImportError(ImportFailure::File, QStringLiteral("Datoteka nije pročitana do kraja."));
    });
    try {
        ReadAll(stream, 4);
        QFAIL("the stream ended without the producer's error");
    } catch (const ImportError &e) {
        QVERIFY2(e.message().endsWith(QStringLiteral("\nDatoteka nije pročitana do kraja.")), qPrintable(e.message()));
    }
    QVERIFY_THROWS_EXCEPTION(ImportError, stream.Finish());
}

void TestImportStreaming::readerLeavingStopsProducer()
{
    std::atomic<bool> unwound = false;
    {
        ChunkStream stream([&unwound](const ChunkStream::Put &put) {
            struct Flag {
                std::atomic<bool> &set;
                ~Flag() { set = true; }
            } flag{unwound};
            for (;;)
                put("beskonačno");
        });
        char byte = 0;
        QCOMPARE(stream.Read(&byte, 1), qint64(1));
        // The stream goes while its producer waits on a full queue: it must not hang.
    }
    QVERIFY(unwound);
}

void TestImportStreaming::plainKeysOfCreateTable()
{
    const QString create = QStringLiteral("CREATE TABLE `t` (\n"
                                          "  `a` int(11) NOT NULL,\n"
                                          "  `b` varchar(20) NOT NULL,\n"
                                          "  `c` date DEFAULT NULL,\n"
                                          "  PRIMARY KEY (`a`),\n"
                                          "  UNIQUE KEY `t_b` (`b`),\n"
                                          "  KEY `t_c` (`c`),\n"
                                          "  KEY `t``b c` (`b`(5),`c`) COMMENT 'x'\n"
                                          ") ENGINE=InnoDB");
    QCOMPARE(PlainKeyDefinitions(create),
             (QStringList{QStringLiteral("KEY `t_c` (`c`)"), QStringLiteral("KEY `t``b c` (`b`(5),`c`) COMMENT 'x'")}));
}

QTEST_GUILESS_MAIN(TestImportStreaming)
#include "tst_ImportStreaming.moc"
