#include "app/qml/design/ModuleTint.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QtQml/qqml.h>

#include <gtest/gtest.h>

#include <memory>

namespace qm {
namespace {

ModuleTint* tintOf(QQuickItem& item)
{
    return qobject_cast<ModuleTint*>(qmlAttachedPropertiesObject<ModuleTint>(&item, true));
}

const QColor kAccent(45, 185, 131);
const QColor kCleanup(62, 207, 142);
const QColor kProtection(240, 106, 155);

// root (tinted Cleanup) → middle → leaf, and a separate untinted tree.
class ModuleTintTest : public ::testing::Test
{
protected:
    // The design module registers its types when an engine first imports it, as the application's
    // screens do; attached objects exist only after that.
    static void SetUpTestSuite()
    {
        QQmlEngine engine;
        QQmlComponent component(&engine);
        component.setData("import QtQml\nimport Quillmere.Design\nQtObject {}", QUrl());
        ASSERT_TRUE(component.isReady()) << component.errorString().toStdString();
    }

    void SetUp() override
    {
        middle.setParentItem(&root);
        leaf.setParentItem(&middle);
        tintOf(root)->setTint(kCleanup);
    }

    QQuickItem root;
    QQuickItem middle;
    QQuickItem leaf;
    QQuickItem otherRoot;
};

TEST_F(ModuleTintTest, ItemsOutsideAnyTintSeeTheAccent)
{
    EXPECT_EQ(ModuleTint::defaultTint(), kAccent);
    EXPECT_EQ(tintOf(otherRoot)->resolved(), kAccent);
    EXPECT_FALSE(tintOf(otherRoot)->isSet());
    EXPECT_EQ(ModuleTint::resolve(nullptr), kAccent);
}

TEST_F(ModuleTintTest, TheNearestTintWins)
{
    ModuleTint* leafTint = tintOf(leaf);
    EXPECT_EQ(leafTint->resolved(), kCleanup);
    EXPECT_EQ(tintOf(root)->resolved(), kCleanup) << "the tint applies to its own item too";

    tintOf(middle)->setTint(kProtection);
    EXPECT_EQ(leafTint->resolved(), kProtection);
    EXPECT_EQ(tintOf(root)->resolved(), kCleanup);

    tintOf(middle)->resetTint();
    EXPECT_EQ(leafTint->resolved(), kCleanup);
}

TEST_F(ModuleTintTest, FollowsTheItemAndItsAncestorsToNewParents)
{
    ModuleTint* leafTint = tintOf(leaf);
    int changes = 0;
    QObject::connect(leafTint, &ModuleTint::resolvedChanged, [&changes] { ++changes; });

    leaf.setParentItem(&otherRoot);
    EXPECT_EQ(leafTint->resolved(), kAccent);
    leaf.setParentItem(&middle);
    EXPECT_EQ(leafTint->resolved(), kCleanup);
    EXPECT_EQ(changes, 2);

    // An ancestor moving takes the whole subtree along.
    middle.setParentItem(&otherRoot);
    EXPECT_EQ(leafTint->resolved(), kAccent);
    tintOf(otherRoot)->setTint(kProtection);
    EXPECT_EQ(leafTint->resolved(), kProtection);
    middle.setParentItem(nullptr);
    EXPECT_EQ(leafTint->resolved(), kAccent);
}

TEST_F(ModuleTintTest, ATintSetLaterAboveAnItemReachesIt)
{
    QQuickItem top;
    QQuickItem below;
    below.setParentItem(&top);
    ModuleTint* belowTint = tintOf(below);
    EXPECT_EQ(belowTint->resolved(), kAccent);

    // `top` had no attached object when `below` first resolved.
    tintOf(top)->setTint(kProtection);
    EXPECT_EQ(belowTint->resolved(), kProtection);
    tintOf(top)->setTint(QColor());
    EXPECT_FALSE(tintOf(top)->isSet());
    EXPECT_EQ(belowTint->resolved(), kAccent);
}

TEST_F(ModuleTintTest, ADestroyedAncestorLeavesTheItemUntinted)
{
    auto holder = std::make_unique<QQuickItem>();
    holder->setParentItem(&root);
    tintOf(*holder)->setTint(kProtection);
    QQuickItem child;
    child.setParentItem(holder.get());
    ModuleTint* childTint = tintOf(child);
    EXPECT_EQ(childTint->resolved(), kProtection);

    holder.reset();
    EXPECT_EQ(child.parentItem(), nullptr);
    EXPECT_EQ(childTint->resolved(), kAccent);
    child.setParentItem(&middle);
    EXPECT_EQ(childTint->resolved(), kCleanup);
}

} // namespace
} // namespace qm
