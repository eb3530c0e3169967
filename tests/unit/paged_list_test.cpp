// The paged list dialogue on lists made up here: the test thread plays the
// worker, the phone's lines wait on the line before the list starts, and the
// list runs until a line it does not take.

#include "protocol/paged_list.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <random>
#include <thread>

#include "harness.h"
#include "link/link.h"
#include "link/reply.h"

namespace {

using Lines = std::vector<std::string>;

// Records of a made-up list, and what the list read of them.
struct Records {
    std::vector<std::string> texts;
    std::int32_t goneAt = -1;  // this record is gone when read
    std::int32_t stopAt = -1;  // reading this record raises the stop flag
    // Reading one of these records marks a volume line owed, with the index as the volume.
    std::vector<std::int32_t> volumeAt = {};
    mutable std::int32_t lowestRead = INT32_MAX;
    mutable std::int32_t highestRead = INT32_MIN;
};

const char* recordText(const Records& records, std::int32_t index) {
    records.lowestRead = std::min(records.lowestRead, index);
    records.highestRead = std::max(records.highestRead, index);
    if (index == records.stopAt) pluginContext->flags.stop = 1;
    if (std::find(records.volumeAt.begin(), records.volumeAt.end(), index) != records.volumeAt.end()) {
        pluginContext->flags.volume = index;
        pluginContext->flags.volumeChanged = 1;
    }
    if (index == records.goneAt) return nullptr;
    if (index < 0 || index >= static_cast<std::int32_t>(records.texts.size())) return "<outside>";
    return records.texts[static_cast<std::size_t>(index)].c_str();
}

// What the selection actions were asked to do, as "mode:argument".
std::vector<std::string> actions;
void recordAction(const Records&, const Request& request, Reply&) {
    actions.push_back(std::to_string(static_cast<int>(request.mode)) + ":" + request.text);
}
void raiseStopFlag(const Records&, const Request&, Reply&) { pluginContext->flags.stop = 1; }

std::vector<std::string> numbered(const char* stem, int count) {
    std::vector<std::string> texts;
    char text[32];
    for (int i = 0; i < count; ++i) {
        std::snprintf(text, sizeof text, "%s%03d", stem, i);
        texts.push_back(text);
    }
    return texts;
}

// The item lines of records [first, last) as the phone receives them.
Lines items(const std::vector<std::string>& texts, int first, int last, const char* codes = "PZ") {
    Lines lines;
    for (int i = first; i < last; ++i) lines.push_back(codes + texts[static_cast<std::size_t>(i)]);
    return lines;
}

// Lines as one text, so that a failure shows where they differ.
class PagedListTest : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        actions.clear();
        openLinkContext();
    }

    void TearDown() override {
        closeLinkContext();
        PluginTest::TearDown();
    }

    List<Records> libraryList(const Records& records, std::span<const ListRow<Records>> rows = {}) {
        return {
            .shape = {.listCode = 'P', .recordCount = static_cast<std::int32_t>(records.texts.size()), .itemCode = 'Z'},
            .source = records,
            .itemText = recordText,
            .ownRows = rows};
    }

    // Runs the list with the phone's `lines` waiting. A list that keeps
    // running (one that spins on a line it never takes) is stopped by the
    // stop flag after a while, and the test fails.
    Lines run(const List<Records>& list, const std::string& lines) {
        phone.send(lines);
        std::atomic<bool> done{false};
        bool stoppedByWatch = false;
        std::thread watch([&] {
            for (int waited = 0; waited < 3000 && !done; waited += 5) platform::sleepMs(5);
            if (!done) {
                stoppedByWatch = true;
                pluginContext->flags.stop = 1;
            }
        });
        Reply reply{*pluginContext};
        runList(list, *pluginContext, reply);
        done = true;
        watch.join();
        EXPECT_FALSE(stoppedByWatch) << "the list did not end by itself";
        return phone.takeLines();
    }

    // The line the list ended on, still waiting to be carried out.
    std::string waitingLine() {
        return pluginContext->flags.lineConsumed == 0 ? pluginContext->link.commandToken : "<none>";
    }

    // Takes the next line on the port that nobody has read yet; its number.
    int nextUnreadLine() {
        pluginContext->flags.lineConsumed = 1;
        int number = 0;
        receiveLine(*pluginContext, number);
        pluginContext->flags.lineConsumed = 1;
        return number;
    }
};

TEST_F(PagedListTest, AListWithoutRecordsSendsItsHeaderAndFixedLinesAndLeavesTheNextLineUnread) {
    Records records;
    static constexpr FixedItem allTracks{'Z', "All Tracks"};
    List<Records> list = libraryList(records);
    list.shape.fixedItem = &allTracks;
    EXPECT_EQ(joined(run(list, "14\n")), joined(Lines{"PA", "PZAll Tracks"}));
    EXPECT_EQ(waitingLine(), "<none>");
    EXPECT_EQ(nextUnreadLine(), 14);

    // A count below zero is no records either.
    list.shape.recordCount = -3;
    EXPECT_EQ(joined(run(list, "12\n")), joined(Lines{"PA", "PZAll Tracks"}));
    EXPECT_EQ(nextUnreadLine(), 12);
    EXPECT_EQ(records.highestRead, INT32_MIN);
}

TEST_F(PagedListTest, StatusLinesAskedForInListsGoOutAtTheWaitNeverInsideAPage) {
    Records records{numbered("t", 60)};
    records.volumeAt = {10, 55};
    pluginContext->flags.listPushes = 1;
    EXPECT_EQ(joined(run(libraryList(records), "0\n53\n0\n14\n")),
              joined(Lines{"PA"} + items(records.texts, 0, 50) + Lines{"PSNext 10", "Q10", "PT50", "PUPrevious 50"} +
                     items(records.texts, 50, 60) + Lines{"Q55"}));
    EXPECT_EQ(waitingLine(), "14");
}

TEST_F(PagedListTest, FiftyRecordsMakeOnePageWithoutNextAndBothPageTurnsAreIgnored) {
    Records records{numbered("t", 50)};
    EXPECT_EQ(joined(run(libraryList(records), "53\n54\n14\n")), joined(Lines{"PA"} + items(records.texts, 0, 50)));
    EXPECT_EQ(waitingLine(), "14");
    EXPECT_EQ(records.lowestRead, 0);
    EXPECT_EQ(records.highestRead, 49);
}

TEST_F(PagedListTest, FiftyOneRecordsPutTheLastOnASecondPage) {
    Records records{numbered("t", 51)};
    // 53 on the last page, where no Next line was sent, is taken and ignored;
    // 54 then returns to the first page.
    const Lines lines = run(libraryList(records), "53\n53\n54\n12\n");
    EXPECT_EQ(joined(lines),
              joined(Lines{"PA"} + items(records.texts, 0, 50) + Lines{"PSNext 1", "PT50", "PUPrevious 50"} +
                     items(records.texts, 50, 51) + Lines{"PT0"} + items(records.texts, 0, 50) + Lines{"PSNext 1"}));
    EXPECT_EQ(waitingLine(), "12");
    EXPECT_EQ(records.highestRead, 50);
}

TEST_F(PagedListTest, HundredFiftyRecordsPageForwardAndBackOnePageAtATime) {
    Records records{numbered("t", 150)};
    const Lines lines = run(libraryList(records), "53\n54\n54\n13\n");
    EXPECT_EQ(joined(lines), joined(Lines{"PA"} + items(records.texts, 0, 50) +
                                    Lines{"PSNext 50", "PT50", "PUPrevious 50"} + items(records.texts, 50, 100) +
                                    Lines{"PSNext 50", "PT0"} + items(records.texts, 0, 50) + Lines{"PSNext 50"}));
    EXPECT_EQ(waitingLine(), "13");
}

TEST_F(PagedListTest, PreviousPageAfterAShortLastPageShowsThePageBeforeIt) {
    Records records{numbered("t", 120)};
    const Lines lines = run(libraryList(records), "53\n53\n54\n54\n54\n14\n");
    EXPECT_EQ(joined(lines),
              joined(Lines{"PA"} + items(records.texts, 0, 50) + Lines{"PSNext 50", "PT50", "PUPrevious 50"} +
                     items(records.texts, 50, 100) + Lines{"PSNext 20", "PT100", "PUPrevious 50"} +
                     items(records.texts, 100, 120) + Lines{"PT50", "PUPrevious 50"} + items(records.texts, 50, 100) +
                     Lines{"PSNext 20", "PT0"} + items(records.texts, 0, 50) + Lines{"PSNext 50"}));
    EXPECT_EQ(waitingLine(), "14");
    EXPECT_GE(records.lowestRead, 0);
    EXPECT_LE(records.highestRead, 119);
}

TEST_F(PagedListTest, SkippingListsCountRecordsOnTheirPagesAndReturnToEachPageExactly) {
    // 130 values v000..v129, every odd one twice: 195 records. Value i starts
    // at record i + i/2, so the first page ends after v049's first record
    // (record 73) and the second after v099's (record 148).
    Records records;
    std::vector<std::string> values = numbered("v", 130);
    for (int i = 0; i < 130; ++i) {
        for (int copy = 0; copy < 1 + i % 2; ++copy) records.texts.push_back(values[static_cast<std::size_t>(i)]);
    }
    List<Records> list = libraryList(records);
    list.shape.itemCode = 'V';
    list.shape.repeats = Repeats::skipped;

    const Lines first = items(values, 0, 50, "PV") + Lines{"PSNext 50"};
    // The second page begins with v049's second record, which repeats the
    // last item sent, and shows nothing for it however the phone got there.
    const Lines second = Lines{"PT74", "PUPrevious 50"} + items(values, 50, 100, "PV") + Lines{"PSNext 46"};
    const Lines third = Lines{"PT149", "PUPrevious 50"} + items(values, 100, 130, "PV");
    EXPECT_EQ(joined(run(list, "53\n53\n54\n54\n54\n53\n14\n")),
              joined(Lines{"PA"} + first + second + third + second + Lines{"PT0"} + first + second));
    EXPECT_EQ(waitingLine(), "14");
    EXPECT_GE(records.lowestRead, 0);
    EXPECT_LE(records.highestRead, 194);
}

TEST_F(PagedListTest, ASkippingPageWhoseRecordsAllRepeatTheLastItemShowsNoItem) {
    Records records{numbered("v", 50)};
    for (int i = 0; i < 7; ++i) records.texts.push_back("v049");
    List<Records> list = libraryList(records);
    list.shape.repeats = Repeats::skipped;
    EXPECT_EQ(joined(run(list, "53\n54\n14\n")),
              joined(Lines{"PA"} + items(records.texts, 0, 50) + Lines{"PSNext 7", "PT50", "PUPrevious 50", "PT0"} +
                     items(records.texts, 0, 50) + Lines{"PSNext 7"}));
}

TEST_F(PagedListTest, SelectionsActOnTheWholeArgumentAndLeaveThePageWhereItWas) {
    Records records{numbered("t", 120)};
    const ListRow<Records> selections[] = {{2, recordAction, Argument::text, PickMode::play},
                                           {3, recordAction, Argument::text, PickMode::enqueue}};
    const Lines lines = run(libraryList(records, selections), "2 C:\\My Music\\a b.mp3 \n53\n3\n3 x\n53\n14\n");
    EXPECT_EQ(actions, (std::vector<std::string>{"0:C:\\My Music\\a b.mp3 ", "1:", "1:x"}));
    // No line of its own for a selection; 53 goes on after the page on screen.
    EXPECT_EQ(joined(lines), joined(Lines{"PA"} + items(records.texts, 0, 50) +
                                    Lines{"PSNext 50", "PT50", "PUPrevious 50"} + items(records.texts, 50, 100) +
                                    Lines{"PSNext 20", "PT100", "PUPrevious 50"} + items(records.texts, 100, 120)));
    EXPECT_EQ(waitingLine(), "14");
}

TEST_F(PagedListTest, LinesWithoutANumberAreTakenAndChangeNothing) {
    Records records{numbered("t", 60)};
    const ListRow<Records> selections[] = {{2, recordAction, Argument::text, PickMode::play}};
    // Text, a zero with or without argument, an empty line, blanks, a signed
    // zero and a line too long to hold: each is taken and the list keeps
    // waiting; none of them may be read again and again.
    std::string garbage = "abc\n0\n0 2 x\n\n   \n+0\n-0\n" + std::string(3000, '2') + "\n";
    const Lines lines = run(libraryList(records, selections), garbage + "2 ok\n53\n12\n");
    EXPECT_EQ(actions, (std::vector<std::string>{"0:ok"}));
    EXPECT_EQ(joined(lines), joined(Lines{"PA"} + items(records.texts, 0, 50) +
                                    Lines{"PSNext 10", "PT50", "PUPrevious 50"} + items(records.texts, 50, 60)));
    EXPECT_EQ(waitingLine(), "12");
}

TEST_F(PagedListTest, NegativeAndUnknownNumbersEndTheListAndStayWaiting) {
    Records records{numbered("t", 60)};
    for (const char* line : {"-3", "63", "99999999999", "1"}) {
        run(libraryList(records), std::string(line) + "\n");
        EXPECT_EQ(waitingLine(), line);
        pluginContext->flags.lineConsumed = 1;
    }
}

TEST_F(PagedListTest, ABurstIsTakenLineByLineUpToTheLineThatEndsTheList) {
    Records records{numbered("t", 120)};
    const ListRow<Records> selections[] = {{2, recordAction, Argument::text, PickMode::play}};
    const Lines lines = run(libraryList(records, selections), "53\n2 a\n54\n13\n12\n2 b\n");
    EXPECT_EQ(actions, (std::vector<std::string>{"0:a"}));
    EXPECT_EQ(joined(lines), joined(Lines{"PA"} + items(records.texts, 0, 50) +
                                    Lines{"PSNext 50", "PT50", "PUPrevious 50"} + items(records.texts, 50, 100) +
                                    Lines{"PSNext 20", "PT0"} + items(records.texts, 0, 50) + Lines{"PSNext 50"}));
    // Nothing after the ending line was read: it all comes to whoever reads next.
    EXPECT_EQ(waitingLine(), "13");
    EXPECT_EQ(nextUnreadLine(), 12);
    EXPECT_EQ(nextUnreadLine(), 2);
}

// A list opened by a selection of another list, as the current playlist opens
// a folder: its own lines, and one selection.
Records innerRecords{{"Fa", "Fb", "Tc"}};
void recordInnerAction(const Records&, const Request& request, Reply&) {
    actions.push_back(std::string("inner:") + request.text);
}
const ListRow<Records> innerSelections[] = {{2, recordInnerAction, Argument::text, PickMode::play}};
void openInnerList(const Records&, const Request& request, Reply& reply) {
    runList(
        List<Records>{.shape = {.listCode = 'B', .recordCount = 3, .itemCode = 'B', .kind = ListKind::wholeThenWait},
                      .source = innerRecords,
                      .itemText = recordText,
                      .ownRows = innerSelections},
        request.context, reply);
}

TEST_F(PagedListTest, AListOpenedInsideAnotherHandsItsEndingLineToTheOuterList) {
    Records records{numbered("t", 70)};
    const ListRow<Records> selections[] = {{7, openInnerList, Argument::text, PickMode::play},
                                           {9, recordAction, Argument::text, PickMode::enqueue}};
    const Lines inner = {"BA", "BBFa", "BBFb", "BBTc"};
    // The inner list takes 2; 9 ends it and is the outer list's selection; 53
    // ends it and turns the outer page; 14 ends both and stays waiting.
    const Lines lines = run(libraryList(records, selections), "7\n2 in\n9 out\n7\n53\n7\n14\n");
    EXPECT_EQ(actions, (std::vector<std::string>{"inner:in", "1:out"}));
    EXPECT_EQ(joined(lines), joined(Lines{"PA"} + items(records.texts, 0, 50) + Lines{"PSNext 20"} + inner + inner +
                                    Lines{"PT50", "PUPrevious 50"} + items(records.texts, 50, 70) + inner));
    EXPECT_EQ(waitingLine(), "14");
}

TEST_F(PagedListTest, TheStopFlagEndsTheListBeforeTheNextRecordOrTheNextRead) {
    // Raised while a page is being sent: the record under way is the last.
    Records records{numbered("t", 120)};
    records.stopAt = 10;
    EXPECT_EQ(joined(run(libraryList(records), "14\n")), joined(Lines{"PA"} + items(records.texts, 0, 11)));
    EXPECT_EQ(records.highestRead, 10);
    EXPECT_EQ(waitingLine(), "<none>");
    pluginContext->flags.stop = 0;
    EXPECT_EQ(nextUnreadLine(), 14);

    // Raised while the list waits: no further line is read.
    Records more{numbered("t", 120)};
    const ListRow<Records> selections[] = {{5, raiseStopFlag, Argument::text, PickMode::play}};
    EXPECT_EQ(joined(run(libraryList(more, selections), "5\n53\n14\n")),
              joined(Lines{"PA"} + items(more.texts, 0, 50) + Lines{"PSNext 50"}));
    pluginContext->flags.stop = 0;
    EXPECT_EQ(nextUnreadLine(), 53);
}

TEST_F(PagedListTest, ARecordThatIsGoneEndsTheList) {
    Records records{numbered("t", 120)};
    records.goneAt = 60;
    EXPECT_EQ(joined(run(libraryList(records), "53\n14\n")),
              joined(Lines{"PA"} + items(records.texts, 0, 50) + Lines{"PSNext 50", "PT50", "PUPrevious 50"} +
                     items(records.texts, 50, 60)));
    EXPECT_EQ(waitingLine(), "<none>");
    EXPECT_EQ(nextUnreadLine(), 14);
}

TEST_F(PagedListTest, AnUnpagedListSendsEveryItemAndEndsOnPageTurns) {
    Records records{numbered("a", 120)};
    const ListRow<Records> selections[] = {{5, recordAction, Argument::text, PickMode::play},
                                           {56, recordAction, Argument::text, PickMode::enqueue}};
    List<Records> list = libraryList(records, selections);
    list.shape.itemCode = 'a';
    list.shape.kind = ListKind::wholeThenWait;
    EXPECT_EQ(joined(run(list, "5 3\n56 4\n53\n")), joined(Lines{"PA"} + items(records.texts, 0, 120, "Pa")));
    EXPECT_EQ(actions, (std::vector<std::string>{"0:3", "1:4"}));
    EXPECT_EQ(waitingLine(), "53");
}

TEST_F(PagedListTest, AnUnpagedListThatWaitsWithoutRecordsStillTakesItsSelections) {
    Records records;
    const ListRow<Records> selections[] = {{5, recordAction, Argument::text, PickMode::play}};
    List<Records> list = libraryList(records, selections);
    list.shape.kind = ListKind::wholeThenWait;
    EXPECT_EQ(joined(run(list, "5 0\n54\n")), joined(Lines{"PA"}));
    EXPECT_EQ(actions, (std::vector<std::string>{"0:0"}));
    EXPECT_EQ(waitingLine(), "54");
    EXPECT_EQ(records.highestRead, INT32_MIN);
}

TEST_F(PagedListTest, AListWithoutAWaitGoesOutWholeOrNotAtAllAndReadsNothing) {
    // Gathered before it starts, it is sent whole even with the stop flag up,
    // with each item's own code, and the next line stays unread.
    Records records{{"One (C:)", "Two (D:)"}};
    List<Records> list = libraryList(records);
    list.shape.listCode = 'B';
    list.itemCodeOf = [](const Records&, std::int32_t index) { return index == 0 ? 'D' : 'M'; };
    list.shape.kind = ListKind::whole;
    pluginContext->flags.stop = 1;
    EXPECT_EQ(joined(run(list, "14\n")), joined(Lines{"BA", "BDOne (C:)", "BMTwo (D:)"}));
    pluginContext->flags.stop = 0;
    EXPECT_EQ(nextUnreadLine(), 14);
    // One that is silent without records sends not even its header.
    Records none;
    List<Records> silent = libraryList(none);
    silent.shape.kind = ListKind::whole;
    silent.shape.withoutRecords = WithoutRecords::silent;
    EXPECT_TRUE(run(silent, "").empty());
}

TEST_F(PagedListTest, AListThatAsksPastItsLastPageTurnsToItAndEnds) {
    // 53 on the last page turns the page as if a Next line had offered it; the
    // record at the end is asked for, and even one the source has is not sent.
    Records records{numbered("t", 51)};
    records.texts.push_back("beyond");
    List<Records> list = libraryList(records);
    list.shape.recordCount = 51;
    list.shape.pastLastPage = PastLastPage::asked;
    EXPECT_EQ(joined(run(list, "53\n53\n14\n")),
              joined(Lines{"PA"} + items(records.texts, 0, 50) + Lines{"PSNext 1", "PT50", "PUPrevious 50"} +
                     items(records.texts, 50, 51) + Lines{"PT51", "PUPrevious 50"}));
    EXPECT_EQ(records.highestRead, 51);
    EXPECT_EQ(waitingLine(), "<none>");
    EXPECT_EQ(nextUnreadLine(), 14);

    // 54 on the first page is still taken and ignored.
    Records few{numbered("t", 3)};
    List<Records> fewList = libraryList(few);
    fewList.shape.pastLastPage = PastLastPage::asked;
    EXPECT_EQ(joined(run(fewList, "54\n53\n12\n")),
              joined(Lines{"PA"} + items(few.texts, 0, 3) + Lines{"PT3", "PUPrevious 50"}));
    EXPECT_EQ(few.lowestRead, 0);
    EXPECT_EQ(nextUnreadLine(), 12);
}

TEST_F(PagedListTest, ItemTextsAreCutToTheItemLine) {
    // A 512-byte line holds two codes, 509 bytes of text and the NUL. In a
    // skipping list, texts that look the same once cut show once.
    Records records{{std::string(600, 'x'), std::string(509, 'x') + "y", "z"}};
    List<Records> list = libraryList(records);
    list.shape.itemLineSize = 512;
    list.shape.repeats = Repeats::skipped;
    EXPECT_EQ(joined(run(list, "14\n")), joined(Lines{"PA", "PZ" + std::string(509, 'x'), "PZz"}));
}

TEST_F(PagedListTest, AJumpInAListInByteOrderLandsWhereGoingThroughEveryRecordDoes) {
    // Texts of letters in both cases, the bytes between the two runs of
    // letters, others around them and a byte above 127; prefixes of the same.
    const std::vector<std::string> pieces{"A", "a", "B", "b", "Z", "z", "[", "_", "#", "~", "1", "\xe9"};
    std::mt19937 random(18);
    for (int round = 0; round < 150; ++round) {
        Records records;
        const int count = 1 + static_cast<int>(random() % 120);
        for (int i = 0; i < count; ++i) {
            std::string text;
            for (int length = static_cast<int>(random() % 4); length > 0; --length)
                text += pieces[random() % pieces.size()];
            records.texts.push_back(text);
        }
        std::sort(records.texts.begin(), records.texts.end());
        std::string prefix = round % 10 == 0 ? "#" : "";
        for (int length = 1 + static_cast<int>(random() % 3); prefix.empty() && length > 0; --length)
            prefix += pieces[random() % pieces.size()];
        List<Records> list = libraryList(records);
        list.shape.jumps = Jumps::throughEveryRecord;
        list.shape.repeats = round % 2 == 1 ? Repeats::skipped : Repeats::sent;
        pluginContext->flags.lineConsumed = 1;  // the 14 that ended the last run
        const Lines throughEvery = run(list, "102 " + prefix + "\n14\n");
        pluginContext->flags.lineConsumed = 1;
        list.shape.jumps = Jumps::inByteOrder;
        EXPECT_EQ(joined(run(list, "102 " + prefix + "\n14\n")), joined(throughEvery)) << "prefix " << prefix;
        EXPECT_GE(records.lowestRead, 0);
        EXPECT_LT(records.highestRead, count);
    }
}

}  // namespace
