#include "foundation/memory_buffer.h"
#include "foundation/memory_lock_bytes.h"
#include "foundation/streams.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <stdexcept>
#include <vector>

namespace kx {
namespace {

using TBytes = std::vector<unsigned char>;

TBytes Pattern(std::size_t size) {
    TBytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<unsigned char>(i * 7 + i / 251);
    return bytes;
}

TBytes BytesOf(const void* data, std::uint64_t size) {
    const auto* first = static_cast<const unsigned char*>(data);
    return TBytes(first, first + size);
}

// What an EKxException carried, or raised == false when the call did not raise.
struct TRaised {
    bool raised = false;
    std::string message;
    std::string routine;
    KxHResult code = hr::S_Ok;
};

template <class TCall> TRaised Raised(TCall&& call) {
    try {
        call();
    } catch (const EKxException& e) {
        TRaised result{true, e.GetMessage().toStdString(), e.GetRoutineName().toStdString()};
        if (const auto* coded = dynamic_cast<const IKxGetHRCode*>(&e))
            result.code = coded->GetHRCode();
        return result;
    }
    return {};
}

// A read-only sequential stream handing out its bytes at most `chunk` at a time.
class TChunkSource : public TKxISequentialStream {
public:
    TChunkSource(TBytes bytes, std::uint32_t chunk) : m_bytes(std::move(bytes)), m_chunk(chunk) {}
    using TKxISequentialStream::InternalWrite; // to see the default's exception directly

protected:
    void InternalRead(void* buffer, std::uint32_t count, std::uint32_t& done) override {
        done = static_cast<std::uint32_t>(
            std::min<std::size_t>({count, m_chunk, m_bytes.size() - m_position}));
        if (done > 0)
            std::memcpy(buffer, m_bytes.data() + m_position, done);
        m_position += done;
    }

private:
    TBytes m_bytes;
    std::uint32_t m_chunk;
    std::size_t m_position = 0;
};

// A write-only sequential stream that takes no more than `room` bytes in all.
class TLimitedSink : public TKxISequentialStream {
public:
    explicit TLimitedSink(std::uint32_t room) : m_room(room) {}

protected:
    void InternalWrite(const void*, std::uint32_t count, std::uint32_t& done) override {
        done = std::min(count, m_room);
        m_room -= done;
    }

private:
    std::uint32_t m_room;
};

// Reports 2 bytes as read and then fails the way the test asks.
class TFailingSource : public TKxISequentialStream {
public:
    explicit TFailingSource(int kind) : m_kind(kind) {}

protected:
    void InternalRead(void*, std::uint32_t, std::uint32_t& done) override {
        done = 2;
        if (m_kind == 0)
            KxRaise(QStringLiteral("broken"), QStringLiteral("InternalRead"), this);
        if (m_kind == 1)
            throw EHrException(hr::STG_E_ReadFault, {}, QStringLiteral("InternalRead"), this);
        throw std::runtime_error("runtime failure");
    }

private:
    int m_kind;
};

// A lock bytes of a fixed size, like a value buffer of a fixed-size kind: it refuses size
// changes and counts the writes that reach it.
class TFixedLockBytes : public TKxMemoryLockBytes {
public:
    TFixedLockBytes() : TKxMemoryLockBytes(1, 4) {}
    int writes = 0;

protected:
    void SetInternalSize(std::uint64_t newSize) override {
        if (newSize != GetDataSize())
            KxRaise(QStringLiteral("fixed size"), QStringLiteral("SetInternalSize"), this);
    }
    std::uint32_t InternalWriteAt(std::uint64_t offset, const void* buffer,
                                  std::uint32_t count) override {
        ++writes;
        return TKxMemoryLockBytes::InternalWriteAt(offset, buffer, count);
    }
};

// A memory stream that remembers how reads were asked for.
class TRecordingStream : public TKxMemoryStream {
public:
    std::vector<std::uint32_t> reads;
    std::uint32_t Read(void* buffer, std::uint32_t count) override {
        reads.push_back(count);
        return TKxMemoryStream::Read(buffer, count);
    }
};

TBytes ReadAll(TKxStream& stream) {
    TBytes bytes(static_cast<std::size_t>(stream.Size()));
    stream.SetPosition(0);
    stream.ReadBuffer(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    return bytes;
}

// ---- Memory buffer

TEST(MemoryBufferTest, CapacityIsAMultipleOfTheGranularityAndShrinksByHalves) {
    TKxMemoryBuffer buffer(512);
    buffer.SetSize(1);
    EXPECT_EQ(buffer.Capacity(), 512u);
    buffer.SetSize(512);
    EXPECT_EQ(buffer.Capacity(), 512u);
    buffer.SetSize(513);
    EXPECT_EQ(buffer.Capacity(), 1024u);
    buffer.SetSize(100); // shrinking gives memory back too
    EXPECT_EQ(buffer.Capacity(), 512u);
    buffer.Clear();
    EXPECT_EQ(buffer.Capacity(), 0u);
    EXPECT_EQ(buffer.Data(), nullptr);

    TKxMemoryBuffer bytewise(0);
    bytewise.SetSize(3);
    EXPECT_EQ(bytewise.Capacity(), 3u);
    bytewise.SetSize(2); // a small shrink keeps the block
    EXPECT_EQ(bytewise.Capacity(), 3u);
}

TEST(MemoryBufferTest, GrowingBlockByBlockReallocatesLogarithmically) {
    // A 100 MB value written in 512-byte blocks: one reallocation per block would be 200 000
    // copies of a growing block.
    TKxMemoryBuffer buffer(512);
    const TBytes block = Pattern(512);
    int reallocations = 0;
    std::uint64_t lastCapacity = 0;
    constexpr std::uint64_t kTotal = 100ull * 1024 * 1024;
    for (std::uint64_t offset = 0; offset < kTotal; offset += block.size()) {
        buffer.WriteAt(offset, block.data(), static_cast<std::uint32_t>(block.size()));
        if (buffer.Capacity() != lastCapacity) {
            ++reallocations;
            lastCapacity = buffer.Capacity();
        }
    }
    EXPECT_EQ(buffer.Size(), kTotal);
    EXPECT_LT(reallocations, 40);
    EXPECT_LE(buffer.Capacity(), kTotal + kTotal / 2);
    EXPECT_EQ(BytesOf(static_cast<const unsigned char*>(buffer.Data()) + kTotal - 512, 512), block);
}

TEST(MemoryBufferTest, GrowthKeepsTheDataAndZeroFillsEverythingUncovered) {
    TKxMemoryBuffer buffer(512, true);
    buffer.WriteAt(0, "abcdef", 6);
    buffer.SetSize(2);
    buffer.SetSize(6); // same block: the old "cdef" must not reappear
    EXPECT_EQ(BytesOf(buffer.Data(), 6), (TBytes{'a', 'b', 0, 0, 0, 0}));

    const TBytes data = Pattern(600);
    buffer.WriteAt(0, data.data(), 600);
    buffer.SetSize(5000); // a new block
    const TBytes all = BytesOf(buffer.Data(), 5000);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), all.begin()));
    EXPECT_TRUE(std::all_of(all.begin() + 600, all.end(), [](unsigned char b) { return b == 0; }));
}

TEST(MemoryBufferTest, ChangeCallbackFollowsEverySizeChangeAndNothingElse) {
    TKxMemoryBuffer buffer(16);
    std::vector<std::uint64_t> sizes;
    buffer.SetOnChange([&](const TKxMemoryBuffer& changed) { sizes.push_back(changed.Size()); });
    buffer.SetSize(10);
    buffer.SetSize(10);
    buffer.WriteAt(2, "xy", 2); // inside the data
    buffer.WriteAt(9, "xyz", 3);
    buffer.Clear();
    EXPECT_EQ(sizes, (std::vector<std::uint64_t>{10, 12, 0}));
}

TEST(MemoryBufferTest, ImpossibleSizeRaisesOutOfMemoryAndChangesNothing) {
    TKxMemoryBuffer buffer;
    buffer.WriteAt(0, "abc", 3);
    int changes = 0;
    buffer.SetOnChange([&](const TKxMemoryBuffer&) { ++changes; });
    const TRaised raised =
        Raised([&] { buffer.SetSize(std::numeric_limits<std::uint64_t>::max()); });
    EXPECT_EQ(raised.code, hr::E_OutOfMemory);
    EXPECT_EQ(raised.routine, "TKxMemoryBuffer.SetSize");
    EXPECT_EQ(Raised([&] {
                  buffer.WriteAt(std::numeric_limits<std::uint64_t>::max() - 1, "ab", 2);
              }).code,
              hr::E_OutOfMemory);
    EXPECT_EQ(buffer.Size(), 3u);
    EXPECT_EQ(BytesOf(buffer.Data(), 3), (TBytes{'a', 'b', 'c'}));
    EXPECT_EQ(changes, 0);
}

// ---- Memory lock bytes

TEST(MemoryLockBytesTest, WritePastTheEndGrowsAndTheGapReadsAsZeros) {
    auto bytes = KxMake<TKxMemoryLockBytes>(2048u);
    const TBytes ones(1003, 0xFF);
    ASSERT_EQ(bytes->WriteAt(0, ones.data(), 1003, nullptr), hr::S_Ok);
    ASSERT_EQ(bytes->SetSize(1), hr::S_Ok); // the block stays, the 0xFF bytes with it
    std::uint32_t done = 0;
    ASSERT_EQ(bytes->WriteAt(1000, "xyz", 3, &done), hr::S_Ok);
    EXPECT_EQ(done, 3u);

    KxStatStg stat;
    ASSERT_EQ(bytes->Stat(&stat, 0), hr::S_Ok);
    EXPECT_EQ(stat.cbSize, 1003u);
    const TBytes all = BytesOf(bytes->GetData(), bytes->GetDataSize());
    EXPECT_EQ(all[0], 0xFF);
    EXPECT_TRUE(
        std::all_of(all.begin() + 1, all.begin() + 1000, [](unsigned char b) { return b == 0; }));
    EXPECT_EQ(all[1002], 'z');
}

TEST(MemoryLockBytesTest, ReadsAreShortAtTheEndAndEmptyPastIt) {
    auto bytes = KxMake<TKxMemoryLockBytes>(1u, std::uint64_t{10});
    char out[8] = {};
    std::uint32_t done = 99;
    EXPECT_EQ(bytes->ReadAt(7, out, 8, &done), hr::S_Ok);
    EXPECT_EQ(done, 3u);
    EXPECT_EQ(bytes->ReadAt(10, out, 8, &done), hr::S_Ok);
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(bytes->ReadAt(1u << 20, out, 8, &done), hr::S_Ok);
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(bytes->ReadAt(0, nullptr, 8, &done), hr::STG_E_InvalidPointer);
    EXPECT_EQ(bytes->Stat(nullptr, 0), hr::STG_E_InvalidPointer);
}

TEST(MemoryLockBytesTest, SubclassHooksRefuseSizeChangesAndSeeWrites) {
    auto fixed = KxMake<TFixedLockBytes>();
    std::uint32_t done = 99;
    EXPECT_EQ(fixed->WriteAt(0, "abcd", 4, &done), hr::S_Ok);
    EXPECT_EQ(fixed->writes, 1);
    // The refusal is an EKxException without a code of its own.
    EXPECT_EQ(fixed->WriteAt(2, "wxyz", 4, &done), hr::E_Unexpected);
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(fixed->SetSize(8), hr::E_Unexpected);
    EXPECT_EQ(BytesOf(fixed->GetData(), fixed->GetDataSize()), (TBytes{'a', 'b', 'c', 'd'}));
}

TEST(MemoryLockBytesTest, AssignFromIntfCopiesTheBytesOfAnyLockBytes) {
    const TBytes data = Pattern(70000);
    auto source = KxMake<TKxMemoryLockBytes>(512u);
    ASSERT_EQ(source->WriteAt(0, data.data(), 70000, nullptr), hr::S_Ok);

    auto copy = KxMake<TKxMemoryLockBytes>(1u, std::uint64_t{5});
    copy->AssignFromIntf(source.get());
    EXPECT_EQ(BytesOf(copy->GetData(), copy->GetDataSize()), data);

    auto fixed = KxMake<TFixedLockBytes>();
    EXPECT_EQ(Raised([&] { fixed->AssignFromIntf(source.get()); }).message, "fixed size");
    EXPECT_EQ(fixed->writes, 0);

    auto notBytes = KxMake<TLimitedSink>(1u);
    const TRaised raised = Raised([&] { copy->AssignFromIntf(notBytes.get()); });
    EXPECT_NE(raised.message.find("doesn't support the Interface"), std::string::npos);
    EXPECT_EQ(raised.routine, "AssignFromIntf");
}

// ---- Stream objects

TEST(LockBytesStreamTest, EachStreamKeepsItsOwnPosition) {
    auto bytes = KxMake<TKxMemoryLockBytes>();
    ASSERT_EQ(bytes->WriteAt(0, "0123456789", 10, nullptr), hr::S_Ok);
    TKxLockBytesStream reader(bytes);
    TKxLockBytesStream writer(bytes, 5);

    EXPECT_EQ(reader.Seek(-2, TKxSeekOrigin::End), 8);
    char out[4] = {};
    EXPECT_EQ(reader.Read(out, 4), 2u);
    EXPECT_EQ(std::string(out, 2), "89");
    EXPECT_EQ(reader.Position(), 10);

    EXPECT_EQ(writer.Write("ab", 2), 2u);
    EXPECT_EQ(writer.Seek(2, TKxSeekOrigin::End), 12);
    writer.WriteBuffer("!", 1);
    EXPECT_EQ(BytesOf(bytes->GetData(), bytes->GetDataSize()),
              (TBytes{'0', '1', '2', '3', '4', 'a', 'b', '7', '8', '9', 0, 0, '!'}));

    const TRaised before = Raised([&] { reader.Seek(-1, TKxSeekOrigin::Begin); });
    EXPECT_EQ(before.code, hr::STG_E_InvalidFunction);
    EXPECT_EQ(before.routine, "TKxLockBytesStream.Seek");
    EXPECT_EQ(reader.Position(), 10);

    writer.SetSize(3);
    EXPECT_EQ(reader.Size(), 3);
    EXPECT_EQ(reader.Read(out, 4), 0u);
}

TEST(StreamTest, ShortReadOrWriteBufferRaisesTheExactTexts) {
    auto bytes = KxMake<TKxMemoryLockBytes>(1u, std::uint64_t{3});
    TKxLockBytesStream stream(bytes);
    char out[10];
    const TRaised read = Raised([&] { stream.ReadBuffer(out, 10); });
    EXPECT_EQ(read.message, "Read Error, bytes to read 10, bytes that have been read 3");
    EXPECT_EQ(read.routine, "TKxStream.ReadBuffer");

    TKxIStreamAdapter sink(KxMake<TLimitedSink>(5u));
    const TRaised write = Raised([&] { sink.WriteBuffer("123456789", 9); });
    EXPECT_EQ(write.message, "Write Error, bytes to write 9, bytes that have been written 5");
}

TEST(StreamTest, CopyFromMovesLargeValuesInWholeBlocks) {
    const TBytes data = Pattern(200017);
    TRecordingStream source;
    source.WriteBuffer(data.data(), static_cast<std::uint32_t>(data.size()));
    source.SetPosition(17);
    source.reads.clear();

    TKxMemoryStream target;
    EXPECT_EQ(target.CopyFrom(source, 150000), 150000);
    EXPECT_EQ(source.reads, (std::vector<std::uint32_t>{65536, 65536, 18928}));
    EXPECT_EQ(ReadAll(target), TBytes(data.begin() + 17, data.begin() + 150017));

    // A count of 0 copies the whole source from its beginning, wherever it stood.
    TKxMemoryStream whole;
    EXPECT_EQ(whole.CopyFrom(source, 0), 200017);
    EXPECT_EQ(ReadAll(whole), data);

    source.SetPosition(200000);
    EXPECT_EQ(Raised([&] { target.CopyFrom(source, 100); }).message,
              "Read Error, bytes to read 100, bytes that have been read 17");
}

TEST(StreamTest, CopyAllFromReadsASizelessSourceToItsEnd) {
    for (const std::size_t size : {std::size_t{131072}, std::size_t{131073}, std::size_t{0}}) {
        const TBytes data = Pattern(size);
        TKxIStreamAdapter source(KxMake<TChunkSource>(data, 100000u));
        TKxMemoryStream target;
        EXPECT_EQ(target.CopyAllFrom(source), static_cast<std::int64_t>(size));
        EXPECT_EQ(ReadAll(target), data);
    }
    // The short read ends the copy: a decompressor must not be asked again after its end.
    TRecordingStream source;
    source.WriteBuffer("x", 1);
    source.SetPosition(0);
    TKxMemoryStream target;
    EXPECT_EQ(target.CopyAllFrom(source), 1);
    EXPECT_EQ(source.reads.size(), 1u);
}

// ---- Adapters

TEST(StreamAdapterTest, DataRoundTripsFromStreamToInterfaceAndBack) {
    const TBytes data = Pattern(200000);
    TKxMemoryStream memory;
    KxIntf<IStream> intf(new TKxStreamAdapter(memory));
    TKxIStreamAdapter stream(intf);

    stream.WriteBuffer(data.data(), static_cast<std::uint32_t>(data.size()));
    EXPECT_EQ(memory.Size(), 200000);
    EXPECT_EQ(BytesOf(memory.Memory().Data(), memory.Memory().Size()), data);
    EXPECT_EQ(stream.Size(), 200000);
    EXPECT_EQ(stream.Seek(-10, TKxSeekOrigin::Current), 199990);
    EXPECT_EQ(ReadAll(stream), data);

    stream.SetSize(10);
    EXPECT_EQ(memory.Size(), 10);
    EXPECT_EQ(memory.Position(), 10); // shrinking moved the position to the new end
    EXPECT_EQ(Raised([&] { stream.Seek(-11, TKxSeekOrigin::End); }).code,
              hr::STG_E_InvalidFunction);
}

TEST(StreamAdapterTest, CopyToStopsAtTheEndOrTheCount) {
    const TBytes data = Pattern(150000);
    auto source = std::make_unique<TKxMemoryStream>();
    source->WriteBuffer(data.data(), static_cast<std::uint32_t>(data.size()));
    source->SetPosition(0);
    KxIntf<IStream> from(new TKxStreamAdapter(std::move(source)));

    TKxMemoryStream part;
    TKxMemoryStream rest;
    KxIntf<IStream> toPart(new TKxStreamAdapter(part));
    KxIntf<IStream> toRest(new TKxStreamAdapter(rest));
    std::uint64_t read = 0;
    std::uint64_t written = 0;
    EXPECT_EQ(from->CopyTo(toPart.get(), 70000, &read, &written), hr::S_Ok);
    EXPECT_EQ(read, 70000u);
    EXPECT_EQ(written, 70000u);
    EXPECT_EQ(
        from->CopyTo(toRest.get(), std::numeric_limits<std::uint64_t>::max(), &read, &written),
        hr::S_Ok);
    EXPECT_EQ(read, 80000u);
    EXPECT_EQ(ReadAll(part), TBytes(data.begin(), data.begin() + 70000));
    EXPECT_EQ(ReadAll(rest), TBytes(data.begin() + 70000, data.end()));

    KxIntf<IStream> full(new TKxStreamAdapter(part));
    auto sink = KxMake<TLimitedSink>(10u);
    // A destination that takes less than it is given ends the copy with an error.
    KxIntf<IStream> limited(new TKxStreamAdapter(std::make_unique<TKxIStreamAdapter>(sink)));
    ASSERT_EQ(full->Seek(0, TKxSeekOrigin::Begin, nullptr), hr::S_Ok);
    EXPECT_EQ(full->CopyTo(limited.get(), 100, &read, &written), hr::STG_E_MediumFull);
    EXPECT_EQ(read, 100u);
    EXPECT_EQ(written, 10u);
}

TEST(StreamAdapterTest, SequentialInterfaceCannotSeekAndPassesItsErrorsOn) {
    TKxIStreamAdapter stream(KxMake<TChunkSource>(Pattern(10), 4u));
    char out[10];
    EXPECT_EQ(stream.Read(out, 10), 4u);
    EXPECT_EQ(Raised([&] { stream.Seek(0, TKxSeekOrigin::Begin); }).code,
              hr::STG_E_InvalidFunction);
    EXPECT_EQ(Raised([&] { stream.Size(); }).code, hr::STG_E_InvalidFunction);
    // The source's missing direction travels as its code through the interface.
    const TRaised write = Raised([&] { stream.Write("x", 1); });
    EXPECT_EQ(write.code, hr::STG_E_InvalidFunction);
    EXPECT_EQ(write.routine, "TKxIStreamAdapter.Write");
}

// ---- Interface implementations

TEST(ISequentialStreamTest, ExceptionsBecomeResultCodesAndKeepTheCountDone) {
    char out[8];
    std::uint32_t done = 0;
    EXPECT_EQ(KxMake<TFailingSource>(0)->Read(out, 8, &done), hr::E_Unexpected);
    EXPECT_EQ(done, 2u);
    EXPECT_EQ(KxMake<TFailingSource>(1)->Read(out, 8, &done), hr::STG_E_ReadFault);
    EXPECT_EQ(KxMake<TFailingSource>(2)->Read(out, 8, &done), hr::E_Unexpected);

    auto source = KxMake<TChunkSource>(Pattern(4), 4u);
    EXPECT_EQ(source->Write("x", 1, &done), hr::STG_E_InvalidFunction);
    EXPECT_EQ(source->Read(nullptr, 1, &done), hr::STG_E_InvalidPointer);
    std::uint32_t ignored = 0;
    const TRaised direct = Raised([&] { source->InternalWrite("x", 1, ignored); });
    EXPECT_EQ(direct.routine, "InternalWrite");
    EXPECT_EQ(direct.code, hr::STG_E_InvalidFunction);
}

TEST(IStreamBaseTest, OperationsADescendantLacksAnswerInvalidFunction) {
    class TReadOnly : public TKxIStreamBase {
    protected:
        void InternalRead(void*, std::uint32_t, std::uint32_t& done) override { done = 0; }
    };
    auto stream = KxMake<TReadOnly>();
    KxStatStg stat;
    KxIntf<IStream> clone;
    EXPECT_EQ(stream->Seek(0, TKxSeekOrigin::Begin, nullptr), hr::STG_E_InvalidFunction);
    EXPECT_EQ(stream->SetSize(1), hr::STG_E_InvalidFunction);
    EXPECT_EQ(stream->Stat(&stat, 0), hr::STG_E_InvalidFunction);
    EXPECT_EQ(stream->Clone(clone), hr::STG_E_InvalidFunction);
    EXPECT_FALSE(clone);
    EXPECT_EQ(stream->Commit(0), hr::S_Ok);
}

// ---- Exact transfers over the interface

TEST(ExactTransferTest, ShortReadsAndWritesRaiseWithTheCounts) {
    auto source = KxMake<TChunkSource>(Pattern(4), 100u);
    char out[10];
    const TRaised read =
        Raised([&] { KxReadExact(source.get(), out, 10, QStringLiteral("Load")); });
    EXPECT_EQ(read.message, "Read Error, bytes to read 10, bytes that have been read 4");
    EXPECT_EQ(read.routine, "Load");

    auto failing = KxMake<TFailingSource>(1);
    const TRaised failed = Raised([&] { KxReadExact(failing.get(), out, 10); });
    EXPECT_EQ(failed.code, hr::STG_E_ReadFault);
    EXPECT_EQ(failed.message.rfind("Stream read: ", 0), 0u);

    auto sink = KxMake<TLimitedSink>(3u);
    EXPECT_EQ(Raised([&] { KxWriteExact(sink.get(), "12345678", 8); }).message,
              "Write Error, bytes to write 8, bytes that have been written 3");
    EXPECT_FALSE(
        Raised([&] { KxWriteExact(KxMake<TLimitedSink>(8u).get(), "12345678", 8); }).raised);
}

} // namespace
} // namespace kx
