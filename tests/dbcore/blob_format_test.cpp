#include "dbcore/blob_format.h"
#include "dbcore/compression_streams.h"
#include "foundation/memory_lock_bytes.h"

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <zlib.h>

namespace {

using namespace kx;

// ---- Helpers

KxIntf<TKxMemoryLockBytes> Bytes(const QByteArray& data = {}) {
    auto bytes = KxMake<TKxMemoryLockBytes>();
    std::uint32_t done = 0;
    EXPECT_EQ(bytes->WriteAt(0, data.constData(), std::uint32_t(data.size()), &done), hr::S_Ok);
    return bytes;
}

QByteArray Contents(TKxMemoryLockBytes& bytes) {
    return QByteArray(static_cast<const char*>(bytes.GetData()), qsizetype(bytes.GetDataSize()));
}

// Text-like data with some binary noise: compresses, but not to nothing.
QByteArray MixedData(int size, unsigned seed = 1) {
    static const char* const words[] = {"select ",  "customer ", "42 ",    "order\r\n",  "zlib ",
                                        "Querolt ", "\t",        "value ", "1999-12-31 "};
    QByteArray data;
    data.reserve(size);
    unsigned state = seed;
    while (data.size() < size) {
        state = state * 1103515245u + 12345u;
        if (state % 13 == 0)
            data.append(char(state >> 24));
        else
            data.append(words[(state >> 16) % 9]);
    }
    data.truncate(size);
    return data;
}

QByteArray StoreCompressed(const QByteArray& value, TKxCompressionType type = ctMedium) {
    auto source = Bytes(value);
    auto stored = Bytes();
    TKxLockBytesStream in{KxIntf<ILockBytes>(source)};
    TKxLockBytesStream out{KxIntf<ILockBytes>(stored)};
    const std::int64_t storedSize = KxWriteCompressedBlob(in, out, type);
    EXPECT_EQ(storedSize, std::int64_t(stored->GetDataSize()));
    return Contents(*stored);
}

QByteArray ReadStored(const QByteArray& stored) {
    auto storedBytes = Bytes(stored);
    auto value = Bytes(QByteArray("previous value"));
    const std::uint64_t size = KxReadStoredBlob(storedBytes.get(), value.get());
    EXPECT_EQ(size, value->GetDataSize());
    return Contents(*value);
}

QByteArray HeaderBytes(std::int32_t first = 0) {
    const TKxCompressedBlobHeader header = KxCompressedBlobHeader(first);
    return QByteArray(reinterpret_cast<const char*>(header.data()), qsizetype(header.size()));
}

QByteArray RawZlib(const QByteArray& data, int level = Z_DEFAULT_COMPRESSION) {
    uLongf size = compressBound(uLong(data.size()));
    QByteArray out(qsizetype(size), '\0');
    EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                        reinterpret_cast<const Bytef*>(data.constData()), uLong(data.size()),
                        level),
              Z_OK);
    out.truncate(qsizetype(size));
    return out;
}

// A gzip member made by zlib itself, with every optional header field set.
QByteArray GZipWithAllHeaderFields(const QByteArray& data) {
    z_stream zs{};
    EXPECT_EQ(deflateInit2(&zs, 6, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY), Z_OK);
    static char name[] = "value.bin";
    static char comment[] = "made by the test";
    static unsigned char extra[] = {'K', 'x', 2, 0, 1, 2};
    gz_header header{};
    header.name = reinterpret_cast<Bytef*>(name);
    header.comment = reinterpret_cast<Bytef*>(comment);
    header.extra = extra;
    header.extra_len = sizeof extra;
    header.hcrc = 1;
    header.os = 3;
    EXPECT_EQ(deflateSetHeader(&zs, &header), Z_OK);
    QByteArray out(qsizetype(deflateBound(&zs, uLong(data.size())) + 200), '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    zs.avail_in = uInt(data.size());
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = uInt(out.size());
    EXPECT_EQ(deflate(&zs, Z_FINISH), Z_STREAM_END);
    out.truncate(qsizetype(zs.total_out));
    deflateEnd(&zs);
    return out;
}

template <class TError> TError Raised(const std::function<void()>& body) {
    try {
        body();
    } catch (const TError& e) {
        return e;
    }
    ADD_FAILURE() << "nothing raised";
    throw std::logic_error("nothing raised");
}

QString DataErrorText() {
    return QStringLiteral("Compression Error (-3), Z_DATA_ERROR, Message: data error");
}

// A destination that accepts `limit` bytes and then fails the way a driver would.
class TFailingStream : public TKxStream {
public:
    explicit TFailingStream(std::int64_t limit) : m_limit(limit) {}
    std::uint32_t Read(void*, std::uint32_t) override { return 0; }
    std::uint32_t Write(const void*, std::uint32_t count) override {
        if (m_written + count > m_limit)
            KxRaise(QStringLiteral("Connection lost"), QStringLiteral("SQLPutData"));
        m_written += count;
        return count;
    }
    std::int64_t Seek(std::int64_t, TKxSeekOrigin) override { return m_written; }

private:
    std::int64_t m_limit;
    std::int64_t m_written = 0;
};

// ---- The stored format

TEST(BlobFormatTest, HeaderLayoutAndRecognition) {
    const QByteArray header = HeaderBytes();
    EXPECT_EQ(
        header.toHex(' ').toUpper(),
        QByteArray("96 F8 81 DB C3 A3 00 4E BE 3A 98 A5 94 A2 B7 CC 00 00 00 00 00 00 00 00"));
    EXPECT_EQ(HeaderBytes(0x01020304).mid(16).toHex(), QByteArray("0403020100000000"));

    EXPECT_TRUE(KxIsCompressedBlob(header.constData(), 24));
    // 23 bytes that begin with the marker are plain data.
    EXPECT_FALSE(KxIsCompressedBlob(header.constData(), 23));
    EXPECT_FALSE(KxIsCompressedBlob(nullptr, 100));
    EXPECT_FALSE(KxIsCompressedBlob(header.constData(), 0));
    QByteArray wrongMarker = header;
    wrongMarker[15] = char(0xCD);
    EXPECT_FALSE(KxIsCompressedBlob(wrongMarker.constData(), 24));
    // The two integers are not part of the marker.
    EXPECT_TRUE(KxIsCompressedBlob(HeaderBytes(-7).constData(), 24));

    EXPECT_TRUE(KxIsCompressedBlob(Bytes(header + "x").get()));
    EXPECT_FALSE(KxIsCompressedBlob(Bytes(header.left(23)).get()));
    EXPECT_FALSE(KxIsCompressedBlob(Bytes().get()));
    EXPECT_FALSE(KxIsCompressedBlob(static_cast<ILockBytes*>(nullptr)));
}

TEST(BlobFormatTest, ValuesRoundTripAtEveryLevelAndSize) {
    for (int type = ctNone; type <= ctMaximum; ++type) {
        for (int size : {0, 1, 65535, 65536, 65537, 300000}) {
            const QByteArray value = MixedData(size, unsigned(size + type));
            const QByteArray stored = StoreCompressed(value, TKxCompressionType(type));
            ASSERT_TRUE(KxIsCompressedBlob(stored.constData(), std::uint64_t(stored.size())));
            EXPECT_EQ(ReadStored(stored), value) << type << " " << size;
            if (type == ctNone && size > 0) {
                EXPECT_GT(stored.size(), size); // stored blocks only
            }
            if (type == ctMaximum && size == 300000) {
                EXPECT_LT(stored.size(), size / 2);
            }
        }
    }
}

TEST(BlobFormatTest, HeaderIntegersDoNotChangeTheValue) {
    const QByteArray value = MixedData(5000);
    QByteArray stored = StoreCompressed(value);
    for (int offset = 16; offset < 24; ++offset)
        stored[offset] = char(0xA5 + offset);
    EXPECT_EQ(ReadStored(stored), value);
}

TEST(BlobFormatTest, PlainValuesAndTheEmptyCompressedForm) {
    // Not compressed: taken as they are, including a damaged marker and a short one.
    for (const QByteArray& plain :
         {QByteArray(), QByteArray("\x01\x02\x03", 3), HeaderBytes().left(23),
          QByteArray(HeaderBytes()).replace(0, 1, "\x97") + RawZlib("abc"), MixedData(70000)})
        EXPECT_EQ(ReadStored(plain), plain);
    // Exactly a header is the empty value; so is a header with an empty zlib stream.
    EXPECT_EQ(ReadStored(HeaderBytes()), QByteArray());
    EXPECT_EQ(ReadStored(HeaderBytes() + RawZlib(QByteArray())), QByteArray());
}

TEST(BlobFormatTest, PlainZlibReadsTheBodyAndTheBodyOfPlainZlibReads) {
    const QByteArray value = MixedData(200000);
    const QByteArray stored = StoreCompressed(value, ctFastest);
    ASSERT_EQ(stored.left(24), HeaderBytes());
    // What another program does: skip the header and inflate the rest with zlib.
    uLongf size = uLongf(value.size());
    QByteArray inflated(value.size(), '\0');
    const QByteArray body = stored.mid(24);
    ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(inflated.data()), &size,
                         reinterpret_cast<const Bytef*>(body.constData()), uLong(body.size())),
              Z_OK);
    EXPECT_EQ(inflated.left(qsizetype(size)), value);
    // And the other way: a body deflated by plain zlib, behind the header, reads back.
    EXPECT_EQ(ReadStored(HeaderBytes() + RawZlib(value, 9)), value);
}

// ---- Decompression

TEST(CompressionStreamsTest, AnyReaderBlockSizeGivesTheSameBytes) {
    const QByteArray value(100000, 'x');
    const QByteArray body = StoreCompressed(value, ctMaximum).mid(24);
    for (std::uint32_t block : {1u, 7u, 4096u, 65536u, 100000u, 250000u}) {
        TKxMemoryStream source;
        source.WriteBuffer(body.constData(), std::uint32_t(body.size()));
        source.SetPosition(0);
        TKxDecompressorStream decompressor(source);
        QByteArray out;
        QByteArray part(qsizetype(block), '\0');
        for (;;) {
            const std::uint32_t got = decompressor.Read(part.data(), block);
            out.append(part.constData(), got);
            if (got < block)
                break;
        }
        EXPECT_EQ(out, value) << block;
        // After the end, reads keep answering nothing.
        EXPECT_EQ(decompressor.Read(part.data(), block), 0u);
    }
}

TEST(CompressionStreamsTest, DamagedBodiesRaiseTheDataError) {
    const QByteArray value = MixedData(150000);
    const QByteArray stored = StoreCompressed(value);
    QByteArray corrupt = stored;
    for (int i = 24 + 100; i < 24 + 140; ++i)
        corrupt[i] = char(corrupt[i] ^ 0x5A);
    QByteArray badZlibHeader = stored;
    badZlibHeader[24] = char(0x79);
    // Truncated anywhere, including inside the Adler-32 trailer and right after the header:
    // never a shorter value.
    std::vector<QByteArray> damaged{corrupt, badZlibHeader, stored.left(25), stored.left(26)};
    for (int cut : {1, 3, 4, 5, 500, int(stored.size()) / 2})
        damaged.push_back(stored.left(stored.size() - cut));
    for (const QByteArray& bad : damaged) {
        auto storedBytes = Bytes(bad);
        auto value = Bytes(QByteArray("old"));
        const auto e =
            Raised<EKxDecompressError>([&] { KxReadStoredBlob(storedBytes.get(), value.get()); });
        EXPECT_EQ(e.GetMessage(), DataErrorText()) << bad.size();
        EXPECT_EQ(e.GetRoutineName(), QStringLiteral("Read"));
        EXPECT_EQ(e.ZLibCode(), Z_DATA_ERROR);
        // Nothing of the failed read passes for the value.
        EXPECT_EQ(value->GetDataSize(), 0u);
    }
}

TEST(CompressionStreamsTest, StreamsWithAPresetDictionaryAreRefused) {
    z_stream zs{};
    ASSERT_EQ(deflateInit(&zs, 6), Z_OK);
    const char dictionary[] = "select from where";
    deflateSetDictionary(&zs, reinterpret_cast<const Bytef*>(dictionary), sizeof dictionary);
    QByteArray data("select * from t where 1 = 1"), body(200, '\0');
    zs.next_in = reinterpret_cast<Bytef*>(data.data());
    zs.avail_in = uInt(data.size());
    zs.next_out = reinterpret_cast<Bytef*>(body.data());
    zs.avail_out = uInt(body.size());
    ASSERT_EQ(deflate(&zs, Z_FINISH), Z_STREAM_END);
    body.truncate(qsizetype(zs.total_out));
    deflateEnd(&zs);
    auto stored = Bytes(HeaderBytes() + body);
    auto value = Bytes();
    const auto e = Raised<EKxDecompressError>([&] { KxReadStoredBlob(stored.get(), value.get()); });
    EXPECT_EQ(e.GetMessage(),
              QStringLiteral("Compression Error (2), Z_NEED_DICT, Message: need dictionary"));
}

// ---- gzip members

TEST(CompressionStreamsTest, GZipMembersFromTheGZipTool) {
    const QString gzip = QStandardPaths::findExecutable(QStringLiteral("gzip"));
    if (gzip.isEmpty())
        GTEST_SKIP() << "gzip is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("value.bin"));
    for (int size : {0, 10, 65536 - 8, 65536, 300000}) {
        const QByteArray value = MixedData(size, 7);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(value);
        file.close();
        // -c writes to standard output; with a name and without one (-n).
        for (const QString& nameOption : {QStringLiteral("-N"), QStringLiteral("-n")}) {
            QProcess process;
            process.start(gzip, {QStringLiteral("-c"), nameOption, path});
            ASSERT_TRUE(process.waitForFinished(30000));
            ASSERT_EQ(process.exitCode(), 0);
            const QByteArray member = process.readAllStandardOutput();
            ASSERT_EQ(member.left(2), QByteArray("\x1F\x8B"));
            EXPECT_EQ(ReadStored(HeaderBytes() + member), value) << size;
        }
    }
}

TEST(CompressionStreamsTest, GZipHeaderFieldsAreSkipped) {
    const QByteArray value = MixedData(80000, 3);
    const QByteArray member = GZipWithAllHeaderFields(value);
    ASSERT_EQ(std::uint8_t(member[3]), 2 | 4 | 8 | 16);
    EXPECT_EQ(ReadStored(HeaderBytes() + member), value);
    // Cut inside the header: the header reader says so.
    auto stored = Bytes(HeaderBytes() + member.left(16));
    auto out = Bytes();
    const auto e = Raised<EKxException>([&] { KxReadStoredBlob(stored.get(), out.get()); });
    EXPECT_EQ(e.GetRoutineName(), QStringLiteral("TKxIDecompressorStream.ReadGZipFileHeader"));
    EXPECT_TRUE(e.GetMessage().startsWith(QStringLiteral("Read Error")))
        << e.GetMessage().toStdString();
}

TEST(CompressionStreamsTest, WrongGZipTrailersRaise) {
    const QByteArray value = MixedData(70000, 5);
    const QByteArray member = GZipWithAllHeaderFields(value);
    const qsizetype end = member.size();
    struct TCase {
        qsizetype offset;
        const char* text;
    };
    for (const TCase& c :
         {TCase{end - 8, "Incorrect checksum"}, TCase{end - 5, "Incorrect checksum"},
          TCase{end - 4, "Incorrect uncompressed data length"},
          TCase{end - 1, "Incorrect uncompressed data length"}}) {
        QByteArray bad = member;
        bad[c.offset] = char(bad[c.offset] ^ 0x01);
        TKxMemoryStream source;
        source.WriteBuffer(bad.constData(), std::uint32_t(bad.size()));
        source.SetPosition(0);
        TKxDecompressorStream decompressor(source);
        QByteArray block(65536, '\0');
        const auto e = Raised<EKxException>([&] {
            while (decompressor.Read(block.data(), 65536) == 65536) {
            }
        });
        EXPECT_EQ(e.GetMessage(), QString::fromLatin1(c.text));
        EXPECT_EQ(e.GetRoutineName(), QStringLiteral("Read"));
        // The failure stays: a later read must not look like a clean end.
        EXPECT_THROW(decompressor.Read(block.data(), 65536), EKxException);
    }
    // A trailer cut short is a damaged body.
    auto stored = Bytes(HeaderBytes() + member.left(end - 3));
    auto out = Bytes();
    EXPECT_EQ(
        Raised<EKxDecompressError>([&] { KxReadStoredBlob(stored.get(), out.get()); }).GetMessage(),
        DataErrorText());
}

// ---- Compression

TEST(CompressionStreamsTest, AnEmptyCompressorWritesACompleteEmptyStream) {
    TKxMemoryStream destination;
    {
        TKxCompressorStream compressor(destination, ctMaximum);
        compressor.Finish();
        compressor.Finish(); // a second call has nothing more to write
    }
    EXPECT_GT(destination.Size(), 0);
    EXPECT_LT(destination.Size(), 16);
    destination.SetPosition(0);
    TKxDecompressorStream decompressor(destination);
    char byte = 0;
    EXPECT_EQ(decompressor.Read(&byte, 1), 0u);
}

TEST(CompressionStreamsTest, FinishingIsExplicitAndItsFailuresAreRaised) {
    const QByteArray value = MixedData(400000);
    // Without Finish the body is incomplete, and reading it says so.
    TKxMemoryStream unfinished;
    {
        TKxCompressorStream compressor(unfinished, ctMedium);
        compressor.WriteBuffer(value.constData(), std::uint32_t(value.size()));
    }
    unfinished.SetPosition(0);
    auto value2 = Bytes();
    EXPECT_THROW(KxDecompressBlobBody(unfinished, value2.get()), EKxDecompressError);

    // The destination fails only when the rest of the stream is flushed: Finish raises the
    // destination's own error, and the writer reports no stored size.
    TKxMemoryStream probe;
    {
        TKxCompressorStream compressor(probe, ctMedium);
        compressor.WriteBuffer(value.constData(), std::uint32_t(value.size()));
    }
    TFailingStream failing(probe.Size() + 24);
    auto source = Bytes(value);
    TKxLockBytesStream in{KxIntf<ILockBytes>(source)};
    const auto e = Raised<EKxException>([&] { KxWriteCompressedBlob(in, failing, ctMedium); });
    EXPECT_EQ(e.GetMessage(), QStringLiteral("Connection lost"));
    EXPECT_EQ(e.GetRoutineName(), QStringLiteral("SQLPutData"));

    // Writing after the end of the stream would lose data silently: it raises.
    TKxMemoryStream finished;
    TKxCompressorStream compressor(finished, ctFastest);
    compressor.Finish();
    const auto late = Raised<EKxCompressError>([&] { compressor.Write("x", 1); });
    EXPECT_EQ(late.GetMessage(),
              QStringLiteral("Compression Error (-2), Z_STREAM_ERROR, Message: stream error"));
}

// A source that delivers `limit` bytes of `data` and then fails the way a driver would.
class TBrokenSource : public TKxStream {
public:
    TBrokenSource(QByteArray data, qsizetype limit) : m_data(std::move(data)), m_limit(limit) {}
    std::uint32_t Read(void* buffer, std::uint32_t count) override {
        if (m_read >= m_limit)
            KxRaise(QStringLiteral("Connection lost"), QStringLiteral("SQLGetData"));
        const auto part = std::uint32_t(std::min<qsizetype>(count, m_limit - m_read));
        std::memcpy(buffer, m_data.constData() + m_read, part);
        m_read += part;
        return part;
    }
    std::uint32_t Write(const void*, std::uint32_t) override { return 0; }
    std::int64_t Seek(std::int64_t, TKxSeekOrigin) override { return m_read; }

private:
    QByteArray m_data;
    qsizetype m_limit;
    qsizetype m_read = 0;
};

TEST(CompressionStreamsTest, SourceFailuresReachTheReaderAsRaised) {
    const QByteArray body = StoreCompressed(MixedData(300000)).mid(24);
    for (qsizetype limit : {qsizetype(0), qsizetype(1), body.size() / 2}) {
        TBrokenSource source(body, limit);
        auto value = Bytes(QByteArray("old"));
        const auto e = Raised<EKxException>([&] { KxDecompressBlobBody(source, value.get()); });
        EXPECT_EQ(e.GetMessage(), QStringLiteral("Connection lost")) << limit;
        EXPECT_EQ(e.GetRoutineName(), QStringLiteral("SQLGetData"));
        EXPECT_EQ(value->GetDataSize(), 0u);
    }
}

// A stream that only speaks the platform interface, over a byte array; it accepts at most
// `room` bytes in all.
class TInterfaceOnlyStream : public TKxISequentialStream {
public:
    explicit TInterfaceOnlyStream(qsizetype room = 1 << 30) : m_room(room) {}
    QByteArray data;

protected:
    void InternalRead(void* buffer, std::uint32_t count, std::uint32_t& done) override {
        done = std::uint32_t(std::min<qsizetype>(count, data.size() - m_read));
        std::memcpy(buffer, data.constData() + m_read, done);
        m_read += done;
    }
    void InternalWrite(const void* buffer, std::uint32_t count, std::uint32_t& done) override {
        done = std::uint32_t(std::min<qsizetype>(count, m_room - data.size()));
        data.append(static_cast<const char*>(buffer), done);
    }

private:
    qsizetype m_room;
    qsizetype m_read = 0;
};

TEST(CompressionStreamsTest, ThePlatformInterfacesAnswerResultCodes) {
    const QByteArray value = MixedData(100000);
    auto destination = KxMake<TInterfaceOnlyStream>();
    auto compressor = KxMake<TKxICompressorStream>(KxIntf<ISequentialStream>(destination), 1);
    std::uint32_t done = 0;
    ASSERT_EQ(compressor->Write(value.constData(), std::uint32_t(value.size()), &done), hr::S_Ok);
    EXPECT_EQ(done, std::uint32_t(value.size()));
    compressor->Finish();
    char buffer[4];
    EXPECT_EQ(compressor->Read(buffer, 4, &done), hr::STG_E_InvalidFunction);

    auto source = KxMake<TInterfaceOnlyStream>();
    source->data = destination->data;
    auto decompressor = KxMake<TKxIDecompressorStream>(KxIntf<ISequentialStream>(source));
    EXPECT_EQ(decompressor->Write(buffer, 4, &done), hr::STG_E_InvalidFunction);
    QByteArray out(value.size() + 10, '\0');
    EXPECT_EQ(decompressor->Read(out.data(), std::uint32_t(out.size()), &done), hr::S_Ok);
    EXPECT_EQ(out.left(done), value);
    EXPECT_FALSE(decompressor->GZipMode());

    // A destination that takes only part of a block gives the write error.
    auto full = KxMake<TInterfaceOnlyStream>(1000);
    auto cramped = KxMake<TKxICompressorStream>(KxIntf<ISequentialStream>(full), 9);
    ASSERT_EQ(cramped->Write(value.constData(), std::uint32_t(value.size()), &done), hr::S_Ok);
    const auto e = Raised<EKxException>([&] { cramped->Finish(); });
    EXPECT_TRUE(e.GetMessage().startsWith(QStringLiteral("Write Error, bytes to write ")))
        << e.GetMessage().toStdString();
    EXPECT_EQ(e.GetRoutineName(), QStringLiteral("TKxICompressorStream.FinishCompression"));

    // The stream-class faces raise, naming the direction.
    TKxMemoryStream other;
    TKxCompressorStream writer(other, ctFastest);
    const auto readError = Raised<EHrException>([&] { writer.Read(buffer, 4); });
    EXPECT_EQ(readError.GetHRCode(), hr::STG_E_InvalidFunction);
    EXPECT_EQ(readError.GetRoutineName(), QStringLiteral("InternalRead"));
    writer.Finish();
    other.SetPosition(0);
    TKxDecompressorStream reader(other);
    const auto writeError = Raised<EHrException>([&] { reader.Write(buffer, 4); });
    EXPECT_EQ(writeError.GetRoutineName(), QStringLiteral("InternalWrite"));
}

TEST(CompressionStreamsTest, TypesLevelsAndErrorTexts) {
    EXPECT_EQ(KxCompressionTypeName(ctNone), QStringLiteral("None"));
    EXPECT_EQ(KxCompressionTypeName(ctMaximum), QStringLiteral("Maximum"));
    EXPECT_EQ(KxCompressionLevel(ctMedium), Z_DEFAULT_COMPRESSION);
    // An ordinal from a damaged setting is refused, not passed to zlib.
    TKxMemoryStream destination;
    const auto e = Raised<EKxException>(
        [&] { TKxCompressorStream compressor(destination, TKxCompressionType(4)); });
    EXPECT_EQ(e.GetRoutineName(), QStringLiteral("TKxCompressorStream.Create"));
    // A level zlib rejects comes back as zlib's own error.
    const auto init = Raised<EKxCompressError>(
        [&] { KxMake<TKxICompressorStream>(KxMake<TKxStreamAdapter>(destination), 12); });
    EXPECT_EQ(init.GetMessage(),
              QStringLiteral("Compression Error (-2), Z_STREAM_ERROR, Message: stream error"));
    EXPECT_EQ(init.GetRoutineName(), QStringLiteral("TKxICompressorStream.Create"));
    EXPECT_EQ(EKxCompressionError(-7, QStringLiteral("Read")).GetMessage(),
              QStringLiteral("Compression Error (-7), ?, Message: Unknown Error Code"));
}

// ---- Bad arguments and the value writer

TEST(BlobFormatTest, NullAndSharedArgumentsAreClearErrors) {
    auto bytes = Bytes(HeaderBytes());
    EXPECT_EQ(Raised<EKxException>([&] { KxReadStoredBlob(nullptr, bytes.get()); }).GetMessage(),
              QStringLiteral("Stored Value Pointer is nil"));
    EXPECT_EQ(Raised<EKxException>([&] { KxReadStoredBlob(bytes.get(), nullptr); }).GetMessage(),
              QStringLiteral("Value Pointer is nil"));
    EXPECT_EQ(Raised<EHrException>([&] { KxReadStoredBlob(bytes.get(), bytes.get()); }).GetHRCode(),
              hr::E_InvalidArg);
    TKxMemoryStream body;
    EXPECT_THROW(KxDecompressBlobBody(body, nullptr), EKxException);
}

// Counts how often the block of a value changes size.
class TCountingLockBytes : public TKxMemoryLockBytes {
public:
    int reallocations = 0;

protected:
    void SetInternalSize(std::uint64_t newSize) override {
        const std::uint64_t before = Memory().Capacity();
        TKxMemoryLockBytes::SetInternalSize(newSize);
        if (Memory().Capacity() != before)
            ++reallocations;
    }
};

TEST(BlobFormatTest, LargeValuesGrowGeometrically) {
    const QByteArray value = MixedData(8 * 1024 * 1024, 11);
    const QByteArray stored = StoreCompressed(value, ctFastest);
    auto storedBytes = Bytes(stored);
    auto target = KxMake<TCountingLockBytes>();
    ASSERT_EQ(KxReadStoredBlob(storedBytes.get(), target.get()), std::uint64_t(value.size()));
    EXPECT_EQ(Contents(*target), value);
    // 128 blocks of 64 KiB: growing by half each time needs about a dozen blocks, not 128.
    EXPECT_LT(target->reallocations, 20);
    EXPECT_EQ(target->GetDataSize(), std::uint64_t(value.size()));
}

} // namespace
