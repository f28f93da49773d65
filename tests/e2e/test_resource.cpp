// The registration resource read from the Linux module's ".pipl" section,
// against the bytes the host expects, written out here independently.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ModuleFixture.h"
#include "minihost/Error.h"
#include "minihost/Pipl.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Le32(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }
Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }
Bytes Pascal(const std::string& s) {
    Bytes b = Text(" " + s);
    b[0] = uint8_t(s.size());
    return b;
}

struct Expected {
    const char* key;
    uint32_t stored_length;
    Bytes data;  // the bare data, before the zero fill
};

// The thirteen properties; the support URL is whatever the module carries.
std::vector<Expected> ExpectedProperties(const std::string& url) {
    return {
        {"kind", 4, Text("TKFe")},
        {"name", 8, Pascal("Morvel")},
        {"catg", 8, Pascal("Morvel")},
        {"8664", 12, Text(std::string("EffectMain\0\0", 12))},
        {"ePVR", 4, {2, 0, 0, 0}},
        {"eSVR", 4, {13, 0, 28, 0}},
        {"eVER", 4, {0x00, 0x00, 0x01, 0x00}},
        {"eINF", 2, {0, 0}},
        {"eGLO", 4, {0x44, 0x04, 0x00, 0x06}},
        {"eGL2", 4, {0x0C, 0x14, 0x20, 0x0A}},
        {"eMNA", 12, Pascal("ADBE Morvel")},
        {"aeFL", 4, {0, 0, 0, 0}},
        {"eURL", (1 + uint32_t(url.size()) + 3) & ~3u, Pascal(url)},
    };
}

Bytes ExpectedResource(const std::string& url) {
    Bytes out{1, 0, 0, 0, 0, 0, 13, 0, 0, 0};
    for (const Expected& e : ExpectedProperties(url)) {
        const std::string key(e.key);
        for (const Bytes& part :
             {Text("MIB8"), Text(std::string(key.rbegin(), key.rend())), Le32(0), Le32(e.stored_length), e.data})
            out.insert(out.end(), part.begin(), part.end());  // '8BIM' and the key stored reversed
        while ((out.size() - 10) % 4 != 0) out.push_back(0);
    }
    return out;
}

// The URL property must be a length byte, that many printable characters,
// then zeros up to a multiple of four; returns the URL.
std::string CheckedUrl(const minihost::Pipl& p) {
    const minihost::PiplProperty* url = p.Find("eURL");
    if (!url || url->data.empty() || url->data[0] == 0 || 1u + url->data[0] > url->data.size()) {
        ADD_FAILURE() << "no eURL property, or one without a URL";
        return {};
    }
    const std::size_t n = url->data[0];
    EXPECT_EQ(url->length, (1 + n + 3) & ~std::size_t(3));
    for (std::size_t i = 1; i <= n; ++i) EXPECT_TRUE(url->data[i] >= 0x21 && url->data[i] < 0x7F) << "byte " << i;
    for (std::size_t i = 1 + n; i < url->data.size(); ++i) EXPECT_EQ(url->data[i], 0) << "fill byte " << i;
    return std::string(url->data.begin() + 1, url->data.begin() + 1 + n);
}

TEST(Resource, ElfSectionHoldsExactlyTheExpectedBytes) {
    const Bytes bytes = minihost::ReadPiplBytes(e2e::LinuxModulePath());
    const minihost::Pipl p = minihost::ParsePipl(bytes);
    const std::string url = CheckedUrl(p);
    EXPECT_EQ(bytes, ExpectedResource(url));

    // The parser the other tests rely on reads the same properties in stored order.
    const auto expected = ExpectedProperties(url);
    ASSERT_EQ(p.properties.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(p.properties[i].key, expected[i].key);
    EXPECT_EQ(minihost::FourCharCode(p.properties[0].data), "eFKT");
}

// A cut-short or forged resource is an error, never a read past its end.
TEST(Resource, TruncatedOrForgedResourcesAreRejected) {
    const Bytes bytes = minihost::ReadPiplBytes(e2e::LinuxModulePath());
    for (std::size_t n = 0; n < bytes.size(); ++n)
        EXPECT_THROW(minihost::ParsePipl(Bytes(bytes.begin(), bytes.begin() + n)), minihost::Error) << "length " << n;
    struct Case {
        std::size_t offset;
        uint32_t value;
        const char* expect_in_message;
    };
    const Case cases[] = {
        {6, 0xFFFFFFFFu, "property count"},
        {6, 14, "property 14"},
        {10 + 12, 0xFFFFFFF0u, "property 1"},  // first property's data length
        {10 + 12, 0x7FFFFFFFu, "property 1"},
    };
    for (const Case& c : cases) {
        Bytes forged = bytes;
        std::memcpy(forged.data() + c.offset, Le32(c.value).data(), 4);
        try {
            minihost::ParsePipl(forged, "forged");
            ADD_FAILURE() << "accepted value " << c.value << " at offset " << c.offset;
        } catch (const minihost::Error& e) {
            EXPECT_NE(std::string(e.what()).find(c.expect_in_message), std::string::npos) << e.what();
        }
    }
}

}  // namespace
