#include "import/OVXMLEngine.h"

#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

using talv::OVXMLEngine;
using talv::OVXMLEntity;

TEST(OVXMLEngine, TextNodesKeepTheirPlaceAndMerge) {
    auto tree = OVXMLEngine().parseXMLData(
        "<?xml version=\"1.0\"?>\n<root a=\"1\" B='x &amp; y'>head<b>bold</b>mid&amp;dle<i/>tail</root>trailing");
    ASSERT_EQ(tree.size(), 1u);
    const OVXMLEntity& root = *tree[0];
    EXPECT_EQ(root.className(), "root");
    EXPECT_EQ(root.attribute("b"), "x & y");
    EXPECT_EQ(root.attribute("A"), "1");
    EXPECT_EQ(root.attribute("c"), std::nullopt);
    EXPECT_EQ(root.body(), "head");
    ASSERT_EQ(root.children().size(), 4u);
    EXPECT_EQ(root.children()[0]->className(), "b");
    EXPECT_EQ(root.children()[0]->body(), "bold");
    EXPECT_TRUE(root.children()[1]->isTextNode());
    EXPECT_EQ(root.children()[1]->body(), "mid&dle");  // three character events, one node
    EXPECT_EQ(root.children()[3]->body(), "tail");
    EXPECT_EQ(root.children()[1]->parent(), &root);
    EXPECT_EQ(root.parent(), nullptr);

    std::string joined;
    OVXMLEntity::deepJoinBodies(root, joined);
    EXPECT_EQ(joined, "headboldmid&dletail");
    EXPECT_NE(root.description().find("(name=\"root\", attr=\"{B=x & y, a=1}\", body=\"head\"), children = (<OVXMLEntity:"),
              std::string::npos);
}

TEST(OVXMLEngine, DeepFindSearchesEachLevelBeforeDescending) {
    auto tree = OVXMLEngine().parseXMLData("<r><a><x id='deep'/></a><X id='shallow'/><b><x id='other'/></b></r>");
    const OVXMLEntity* found = OVXMLEntity::deepFindEntity("x", tree[0]->children());
    ASSERT_TRUE(found);
    EXPECT_EQ(found->attribute("id"), "shallow");
    EXPECT_EQ(OVXMLEntity::deepFindEntity("x", tree)->attribute("id"), "shallow");
    auto nested = OVXMLEngine().parseXMLData("<r><a><b><x id='1'/></b></a><c><x id='2'/></c></r>");
    EXPECT_EQ(OVXMLEntity::deepFindEntity("x", nested)->attribute("id"), "1");  // depth-first across siblings
    EXPECT_EQ(OVXMLEntity::deepFindEntity("none", nested), nullptr);
}

TEST(OVXMLEngine, DamagedDocumentsKeepWhatCameBeforeTheError) {
    auto cut = OVXMLEngine().parseXMLData("<chat><m>one</m><m>tw");
    ASSERT_EQ(cut.size(), 1u);
    ASSERT_EQ(cut[0]->children().size(), 2u);
    EXPECT_EQ(cut[0]->children()[1]->body(), "tw");

    auto mismatched = OVXMLEngine().parseXMLData("<chat><m>one</m></?xml><m>lost</m>");
    ASSERT_EQ(mismatched[0]->children().size(), 1u);

    auto undefinedEntity = OVXMLEngine().parseXMLData("<chat><m>a&nbsp;b</m><m>c</m></chat>");
    EXPECT_EQ(undefinedEntity[0]->children()[0]->body(), "a");

    // External entities are never loaded.
    talv::test::TempDir dir;
    talv::test::writeFile(dir / "secret.txt", "SECRET");
    auto external = OVXMLEngine().parseXMLData("<!DOCTYPE r [<!ENTITY e SYSTEM \"file://" + (dir / "secret.txt").string() +
                                               "\">]><r>x&e;y</r>");
    std::string joined;
    if (!external.empty()) OVXMLEntity::deepJoinBodies(*external[0], joined);
    EXPECT_EQ(joined.find("SECRET"), std::string::npos);

    std::string deep;
    for (int i = 0; i < OVXMLEngine::kMaxDepth + 50; ++i) deep += "<d>";
    auto tooDeep = OVXMLEngine().parseXMLData("<r>" + deep);
    ASSERT_EQ(tooDeep.size(), 1u);

    EXPECT_TRUE(OVXMLEngine().parseXMLData(std::string("\x89PNG\r\n\x1a\n\0\0", 10)).empty());
    EXPECT_TRUE(OVXMLEngine().parseXMLData("").empty());
}
