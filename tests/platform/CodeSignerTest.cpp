#include "platform/CodeSigner.h"

#include "support/FakeCodeSigner.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

const QString kAppleRequirement = QStringLiteral("anchor apple or (anchor apple generic and certificate "
                                                 "leaf[subject.CN] = \"Apple Mac OS Application Signing\")");

TEST(CodeSignerTest, ProgramsHereAreUnsignedAndSatisfyNoRequirement)
{
    test::TempTree tree;
    const std::vector<Path> codes{Path("/bin/sh"), tree.folder("Some.app"), tree.file("script", 10),
                                  tree.path("missing"), tree.fifo("pipe")};
    const SecCodeSigner signer;
    for (const Path& code : codes) {
        const CodeSignatureInfo info = signer.inspect(code);
        EXPECT_EQ(info, (CodeSignatureInfo{SigningStatus::Unsigned, std::nullopt, false, false})) << code;
        for (const QString& requirement :
             {u"anchor apple"_qs, kAppleRequirement, u"not (a requirement"_qs, u""_qs})
            EXPECT_FALSE(signer.satisfiesRequirement(code, requirement)) << code << requirement.toStdString();
    }
}

TEST(CodeSignerTest, TheFakeAnswersWhatItWasToldAndRecordsTheQuestions)
{
    test::FakeCodeSigner fake;
    const CodeSignatureInfo signedInfo{SigningStatus::Signed, u"TEAM123456"_qs, true, false};
    fake.setInfo("/Applications/A.app", signedInfo);
    fake.satisfy("/Applications/A.app", kAppleRequirement);

    EXPECT_EQ(fake.inspect("/Applications/A.app"), signedInfo);
    EXPECT_EQ(fake.inspect("/Applications/B.app"), CodeSignatureInfo{});
    EXPECT_TRUE(fake.satisfiesRequirement("/Applications/A.app", kAppleRequirement));
    EXPECT_FALSE(fake.satisfiesRequirement("/Applications/A.app", u"anchor apple"_qs));
    EXPECT_FALSE(fake.satisfiesRequirement("/Applications/A.app/", kAppleRequirement)); // byte for byte
    EXPECT_EQ(fake.inspections(), (std::vector<Path>{"/Applications/A.app", "/Applications/B.app"}));
    EXPECT_EQ(fake.requirementChecks().size(), 3u);
}

} // namespace
} // namespace qm
