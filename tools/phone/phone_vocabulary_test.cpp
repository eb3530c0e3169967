// The phone console against the plug-in's tables: the numbers its typed lines
// stand for are the command table's, and it counts each list's items as the
// lists' table says the list counts them.

#include <gtest/gtest.h>

#include <string>

#include "protocol/list_vocabulary.h"
#include "tools/phone/phone_link.h"

namespace {

TEST(PhoneVocabulary, TypedLinesSendTheTablesNumbers) {
    EXPECT_EQ(phone::commandForTyped("n"), std::to_string(nextPageCommand));
    EXPECT_EQ(phone::commandForTyped("p"), std::to_string(previousPageCommand));
    EXPECT_EQ(phone::commandForTyped("find a b"), std::to_string(searchCommand) + " a b");
    EXPECT_EQ(phone::commandForTyped("jump Ab"), std::to_string(jumpCommand) + " Ab");
}

TEST(PhoneVocabulary, EveryListsItemsAreCountedAsTheListCountsThem) {
    for (const ListVocabulary& list : listVocabulary) {
        SCOPED_TRACE("list opened by " + std::to_string(list.opener));
        phone::ListFollower follower;
        follower.sent(std::to_string(list.opener) + " x");
        const std::string header = list.listCode == wire::replyPlaylistEntry ? std::string{wire::replyPlaylistBegins}
                                                                             : std::string{list.listCode, 'A'};
        follower.describe(header);
        if (list.fixedItem) {
            EXPECT_EQ(follower.describe(std::string{list.listCode, wire::itemTitle} + "All Tracks"),
                      "all tracks (not a record)");
        }
        const std::string item{list.listCode, list.itemCode != '\0' ? list.itemCode : wire::itemDrive};
        const bool record = list.indexes == ItemIndex::record;
        EXPECT_EQ(follower.describe(item + "One").rfind("[0] ", 0) == 0, record);
        EXPECT_EQ(follower.describe(item + "Two").rfind("[1] ", 0) == 0, record);
        if (!list.paged) continue;
        // A page turn: the position line names the next record.
        follower.sent(std::to_string(nextPageCommand));
        follower.describe(std::string{list.listCode, 'T'} + "50");
        EXPECT_EQ(follower.describe(item + "Three").rfind("[50] ", 0) == 0, record);
    }
}

}  // namespace
