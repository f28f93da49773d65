// The registration export: one callback call with the effect's identity, and
// whatever the host's callback answers comes back unchanged.
#include <gtest/gtest.h>

#include "ModuleFixture.h"
#include "minihost/Pipl.h"
#include "minihost/Registration.h"

namespace {

class RegistrationAnswer : public ::testing::TestWithParam<A_Err> {};

TEST_P(RegistrationAnswer, OneCallWithTheEffectIdentityAndTheCallbackResultReturned) {
    minihost::Module module(e2e::LinuxModulePath());
    minihost::RegistrationOptions options;
    options.callback_result = GetParam();
    const minihost::RegistrationResult r = minihost::Register(module, options);

    EXPECT_EQ(r.returned, GetParam());
    ASSERT_EQ(r.calls.size(), 1u);
    const minihost::RegistrationCall& c = r.calls[0];
    EXPECT_EQ(c.context, r.context_given);
    EXPECT_EQ(c.name, "Morvel");
    EXPECT_EQ(c.match_name, "ADBE Morvel");
    EXPECT_EQ(c.category, "Morvel");
    EXPECT_EQ(c.entry_point, "EffectMain");
    EXPECT_EQ(c.kind, 0x65464B54);  // 'eFKT'
    EXPECT_EQ(c.api_major, 13);
    EXPECT_EQ(c.api_minor, 28);
    EXPECT_EQ(c.reserved_info, 8);
    // The support URL is an https address, the same one the resource carries.
    ASSERT_TRUE(c.support_url.has_value());
    EXPECT_EQ(c.support_url->rfind("https://", 0), 0u) << *c.support_url;
    const minihost::Pipl pipl = minihost::ParsePipl(minihost::ReadPiplBytes(e2e::LinuxModulePath()));
    const minihost::PiplProperty* url = pipl.Find("eURL");
    ASSERT_NE(url, nullptr);
    EXPECT_EQ(minihost::PascalString(url->data), c.support_url);
}

INSTANTIATE_TEST_SUITE_P(Answers, RegistrationAnswer,
                         ::testing::Values(A_Err(0), A_Err(1), A_Err(PF_Err_INTERNAL_STRUCT_DAMAGED), A_Err(-1),
                                           A_Err(0x53214664)));

TEST(Registration, NvOptimusEnablementIsOne) {
    EXPECT_EQ(*minihost::Module(e2e::LinuxModulePath()).nv_optimus_enablement(), 1);
}

}  // namespace
