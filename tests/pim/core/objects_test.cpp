// Property and string lists, freeing and pruning objects, identifiers, the telephone
// classification, list comparison and the FILE_ functions.
#include <gtest/gtest.h>

#include <mutex>
#include <set>
#include <thread>

#include "pim/osif_files.h"
#include "pim/osif_lines.h"
#include "pim/osif_objects.h"
#include "pim_core_fixture.h"

using namespace pimtest;

class ObjectsAndFiles : public PimCoreTest {};

namespace {

// A string list of the given texts (nullptr for a node without text).
tagString* make_list(std::initializer_list<const char*> items) {
    tagString* head = nullptr;
    tagString** slot = &head;
    for (const char* item : items) {
        tagString* node = NewString(slot);
        if (item) CopyStringValue(&node->str, item);
        slot = &node->next;
    }
    return head;
}

struct StringList {
    tagString* head;
    explicit StringList(std::initializer_list<const char*> items) : head(make_list(items)) {}
    ~StringList() { OSIF_FreeStringList(head); }
};

}  // namespace

TEST(PropertyLists, AppendAndStoreValuesAtTheirIndex) {
    PropList list;
    EXPECT_EQ(AppendProp(nullptr), nullptr);
    tagProp* first = AppendProp(&list.head);
    tagProp* second = AppendProp(&list.head);
    EXPECT_EQ(list.head, first);
    EXPECT_EQ(first->next, second);
    EXPECT_EQ(second->flags, 0u);
    EXPECT_EQ(second->codePage, 0u);

    AddPropValue(first, heap("third"), 2);
    EXPECT_EQ(texts(first->values), (std::vector<std::string>{"<null>", "<null>", "third"}));
    EXPECT_EQ(first->values->flag, 1);
    AddPropValue(first, heap("THIRD"), 2);  // replaces (and frees) the old text
    AddPropValue(first, heap("zero"), 0);
    EXPECT_EQ(texts(first->values), (std::vector<std::string>{"zero", "<null>", "THIRD"}));
    AddPropValue(first, heap("dropped"), -1);  // a negative index frees the value
    EXPECT_EQ(texts(first->values).size(), 3u);

    AddPropParam(first, "TYPE=WORK");
    AddPropParam(first, nullptr);
    AddPropParam(nullptr, "x");
    EXPECT_EQ(texts(first->params), (std::vector<std::string>{"TYPE=WORK"}));
}

TEST(PropertyLists, FindStringIsCaseInsensitiveSubstring) {
    StringList list({nullptr, "TYPE=WORK", "NETWORK"});
    EXPECT_EQ(FindString(list.head, "work"), list.head->next);
    EXPECT_EQ(FindString(list.head->next->next, "work"), list.head->next->next);
    EXPECT_EQ(FindString(list.head, "home"), nullptr);
    EXPECT_EQ(FindString(list.head, nullptr), list.head);
    EXPECT_EQ(FindString(nullptr, "x"), nullptr);
    // A needle longer than the text never matches (nor reads past it).
    EXPECT_EQ(FindString(list.head, "TYPE=WORKS"), nullptr);
}

TEST(PropertyLists, GetStringValueQuotedUnquotedAndCut) {
    char out[16];
    EXPECT_EQ(GetStringValue("CHARSET=UTF-8 X", out, 15), 5);
    EXPECT_STREQ(out, "UTF-8");
    EXPECT_EQ(GetStringValue("CHARSET=\"UTF-8\"", out, 15), 5);
    EXPECT_STREQ(out, "UTF-8");
    EXPECT_EQ(GetStringValue("CHARSET=\"a b\" c", out, 15), 3);
    EXPECT_STREQ(out, "a b");
    EXPECT_EQ(GetStringValue("CHARSET", out, 15), 0);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(GetStringValue("A=B=C", out, 15), 3);
    EXPECT_STREQ(out, "B=C");
    char small[4];
    std::memset(small, '#', sizeof small);
    EXPECT_EQ(GetStringValue("X=abcdefgh", small, 3), 3);
    EXPECT_STREQ(small, "abc");
    // An unterminated quoted value ends at the text's end.
    EXPECT_EQ(GetStringValue("X=\"abc", out, 15), 3);
    EXPECT_STREQ(out, "abc");
}

TEST(PropertyLists, FindPropAndFindOrAddProp) {
    PropList list;
    tagProp* home = AppendProp(&list.head);
    OSIF_ParseParams("HOME;VOICE", home);
    tagProp* work_fax = AppendProp(&list.head);
    OSIF_ParseParams("WORK;FAX", work_fax);
    EXPECT_EQ(FindProp(list.head, "work", nullptr), work_fax);
    EXPECT_EQ(FindProp(list.head, "HOME", "FAX"), nullptr);
    EXPECT_EQ(FindOrAddProp(&list.head, "WORK", "FAX"), work_fax);
    tagProp* added = FindOrAddProp(&list.head, "HOME", "FAX");
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(work_fax->next, added);
    EXPECT_EQ(texts(added->params), (std::vector<std::string>{"HOME", "FAX"}));
    ASSERT_NE(added->values, nullptr);
    EXPECT_EQ(added->values->str, nullptr);
    EXPECT_EQ(added->values->next, nullptr);
    tagProp* only_one = FindOrAddProp(&list.head, "CELL", nullptr);
    EXPECT_EQ(texts(only_one->params), (std::vector<std::string>{"CELL"}));
}

TEST(PropertyLists, ClassifyTelByTheFirstMatchingTest) {
    struct Case {
        std::initializer_list<const char*> params;
        int code;
    };
    const Case cases[] = {
        {{"WORK"}, 0},           {{"TYPE=WORK", "FAX"}, 1}, {{"HOME"}, 2},  {{"HOME;FAX"}, 3},
        {{"CELL"}, 4},           {{"CAR"}, 5},              {{"PAGER"}, 6}, {{"ISDN"}, 7},
        {{"NETWORK"}, 0},        {{"WORK", "CELL"}, 0},     {{}, 2},        {{""}, 2},
        {{"", "FAX"}, 2},    {{"FAX"}, 3},              {{"VOICE"}, 8}, {{"PREF", "MSG"}, 8},
    };
    for (const Case& c : cases) {
        StringList params(c.params);
        std::string joined;
        for (const char* p : c.params) joined += std::string(p) + ",";
        EXPECT_EQ(OSIF_ClassifyTel(params.head), c.code) << joined;
    }
}

TEST(PropertyLists, CompareStringLists) {
    StringList empty({});
    StringList blanks({"", nullptr});
    StringList ab({"a", "b"});
    StringList ab2({"a", "b", ""});
    StringList ac({"a", "c"});
    StringList a_empty({"a", ""});
    StringList empty_a({"", "a"});
    EXPECT_EQ(OSIF_CompareStringLists(empty.head, blanks.head), 0);
    EXPECT_EQ(OSIF_CompareStringLists(empty.head, ab.head), 2);
    EXPECT_EQ(OSIF_CompareStringLists(ab.head, blanks.head), 2);
    EXPECT_EQ(OSIF_CompareStringLists(ab.head, ab2.head), 0);
    EXPECT_EQ(OSIF_CompareStringLists(ab.head, ac.head), 1);
    EXPECT_EQ(OSIF_CompareStringLists(ab.head, a_empty.head), 1);
    EXPECT_EQ(OSIF_CompareStringLists(empty_a.head, ab.head), 1);
    EXPECT_EQ(OSIF_CompareStringLists(empty_a.head, empty_a.head), 0);
}

TEST_F(ObjectsAndFiles, FreeObjectDeletesValueFilesAndZeroesTheRecord) {
    auto object = std::make_unique<tagvObject>();
    std::memset(object.get(), 0, sizeof(tagvObject));
    std::strcpy(object->luid, "L1");
    tagProp* photo = AppendProp(&object->body.card.PHOTO);
    ASSERT_EQ(OSIF_ValueToTempFile("QUJD", photo), OSIF_SUCCESS);
    AddPropValue(AppendProp(&object->body.card.N), heap("Doe"), 0);
    AddPropValue(AppendProp(&object->body.card.SEND_PLAIN_TEXT), heap("1"), 0);
    EXPECT_EQ(files_in_tmp(), 1u);
    OSIF_FreeObject(OSIF_STORE_PHONEBOOK, object.get());
    EXPECT_EQ(files_in_tmp(), 0u);
    const auto* bytes = reinterpret_cast<const unsigned char*>(object.get());
    EXPECT_TRUE(std::all_of(bytes, bytes + sizeof(tagvObject), [](unsigned char b) { return b == 0; }));
}

TEST_F(ObjectsAndFiles, FreeObjectOfEveryStore) {
    auto object = std::make_unique<tagvObject>();
    std::memset(object.get(), 0, sizeof(tagvObject));
    AddPropValue(AppendProp(&object->body.cal.slots[17]), heap("x"), 0);
    ASSERT_EQ(OSIF_ValueToTempFile("QUJD", AppendProp(&object->body.cal.slots[16])), OSIF_SUCCESS);
    OSIF_FreeObject(OSIF_STORE_CALENDAR, object.get());
    EXPECT_EQ(files_in_tmp(), 0u);

    AddPropValue(AppendProp(&object->body.note.SUMMARY), heap("s"), 0);
    OSIF_FreeObject(OSIF_STORE_NOTES, object.get());
    EXPECT_EQ(object->body.note.SUMMARY, nullptr);

    tagvMsg& msg = object->body.msg;
    CopyStringValue(&NewString(&msg.FOLDER)->str, "SENTBOX");
    AddPropValue(AppendProp(&msg.IMPORTANCE), heap("high"), 0);
    msg.multipart = static_cast<tagMultipart*>(OSIF_Alloc(sizeof(tagMultipart)));
    std::memset(msg.multipart, 0, sizeof(tagMultipart));
    CopyStringValue(&NewString(&msg.multipart->boundary)->str, "----=_NextPart_001");
    msg.parts = static_cast<tagPart*>(OSIF_Alloc(sizeof(tagPart)));
    std::memset(msg.parts, 0, sizeof(tagPart));
    ASSERT_EQ(OSIF_ValueToTempFile("QUJD", AppendProp(&msg.parts->content)), OSIF_SUCCESS);
    OSIF_FreeObject(OSIF_STORE_SENTBOX, object.get());
    EXPECT_EQ(files_in_tmp(), 0u);
    EXPECT_EQ(object->body.msg.parts, nullptr);
}

TEST(ObjectPruning, EmptyPropertiesGoFilledOnesAndFileReferencesStay) {
    auto object = std::make_unique<tagvObject>();
    std::memset(object.get(), 0, sizeof(tagvObject));
    tagvCard& card = object->body.card;
    tagProp* empty_tel = AppendProp(&card.TEL);
    AddPropValue(empty_tel, heap(""), 0);
    tagProp* tel = AppendProp(&card.TEL);
    AddPropValue(tel, heap("123"), 1);  // a filled component after an empty one counts
    AppendProp(&card.TEL);              // no values at all
    tagProp* with_file = AppendProp(&card.OFFICELOC);
    FileToProp(u"/nonexistent/qel-test-file", with_file);
    AppendProp(&card.OFFICELOC);
    AppendProp(&card.PHOTO);  // past OFFICELOC: not pruned
    OSIF_PruneObject(OSIF_STORE_PHONEBOOK, object.get());
    EXPECT_EQ(card.TEL, tel);
    EXPECT_EQ(tel->next, nullptr);
    EXPECT_EQ(card.OFFICELOC, with_file);
    EXPECT_EQ(with_file->next, nullptr);
    EXPECT_NE(card.PHOTO, nullptr);
    OSIF_FreeObject(OSIF_STORE_PHONEBOOK, object.get());
}

TEST(ObjectPruning, CalendarNoteAndMessageLists) {
    auto object = std::make_unique<tagvObject>();
    std::memset(object.get(), 0, sizeof(tagvObject));
    AppendProp(&object->body.cal.slots[17]);
    AddPropValue(AppendProp(&object->body.cal.slots[0]), heap("x"), 0);
    OSIF_PruneObject(OSIF_STORE_CALENDAR, object.get());
    EXPECT_EQ(object->body.cal.slots[17], nullptr);
    EXPECT_NE(object->body.cal.slots[0], nullptr);
    OSIF_FreeObject(OSIF_STORE_CALENDAR, object.get());

    AppendProp(&object->body.note.SUMMARY);
    OSIF_PruneObject(OSIF_STORE_NOTES, object.get());
    EXPECT_EQ(object->body.note.SUMMARY, nullptr);

    AppendProp(&object->body.msg.IMPORTANCE);
    OSIF_PruneObject(OSIF_STORE_OUTBOX, object.get());
    EXPECT_EQ(object->body.msg.IMPORTANCE, nullptr);
}

TEST(Identifiers, EightBase36CharactersNeverRepeated) {
    std::set<std::string> seen;
    for (int i = 0; i < 20000; ++i) {
        char id[9];
        std::memset(id, '#', sizeof id);
        OSIF_MakeId(id);
        ASSERT_EQ(id[8], '\0');
        const std::string s(id);
        ASSERT_EQ(s.size(), 8u);
        ASSERT_EQ(s.find_first_not_of("0123456789abcdefghijklmnopqrstuvwxyz"), std::string::npos) << s;
        ASSERT_TRUE(seen.insert(s).second) << "repeated " << s;
    }
}

TEST(Identifiers, UniqueAcrossThreads) {
    std::mutex lock;
    std::set<std::string> seen;
    std::size_t made = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            std::vector<std::string> mine;
            for (int i = 0; i < 2000; ++i) {
                char id[9];
                OSIF_MakeId(id);
                mine.emplace_back(id);
            }
            std::lock_guard guard(lock);
            made += mine.size();
            seen.insert(mine.begin(), mine.end());
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(seen.size(), made);
}

TEST_F(ObjectsAndFiles, FileFunctionsOverUtf16Paths) {
    const auto path = dir_.path() / "grüße.txt";
    const std::u16string wide = path.u16string();
    std::FILE* f = nullptr;
    ASSERT_EQ(FILE_Open(&f, wide.c_str(), "w"), 0u);
    EXPECT_EQ(FILE_PutLine(f, "first"), 0u);
    EXPECT_EQ(FILE_PutNumber(f, 4294967295u), 0u);
    EXPECT_EQ(FILE_PutNumber(f, 7), 0u);
    EXPECT_EQ(FILE_PutChar(f, 'x'), 0u);
    EXPECT_EQ(FILE_Close(f, "grüße.txt"), 0u);
    EXPECT_EQ(qel::test::read_file(path), "first\n4294967295\n         7\nx");
    EXPECT_TRUE(FILE_Exists(wide.c_str()));
    EXPECT_FALSE(FILE_Exists(dir_.path().u16string().c_str()));

    // Append, copy (replacing), rename, remove.
    const std::u16string copy = (dir_.path() / "copy.txt").u16string();
    const std::u16string moved = (dir_.path() / "moved.txt").u16string();
    ASSERT_EQ(FILE_Open(&f, copy.c_str(), "w"), 0u);
    EXPECT_EQ(FILE_AppendFile(f, wide.c_str()), 0u);
    EXPECT_EQ(FILE_AppendFile(f, u"/nonexistent/file"), OSIF_ERR_FILE);
    FILE_Close(f, "copy");
    EXPECT_EQ(qel::test::read_file(copy), qel::test::read_file(path));
    EXPECT_EQ(FILE_Copy(moved.c_str(), copy.c_str()), OSIF_ERR_FILE);
    EXPECT_EQ(FILE_Rename(copy.c_str(), moved.c_str()), 0u);
    EXPECT_FALSE(FILE_Exists(copy.c_str()));
    EXPECT_EQ(FILE_Copy(wide.c_str(), moved.c_str()), 0u);
    EXPECT_EQ(FILE_Remove(moved.c_str()), 0u);
    EXPECT_EQ(FILE_Remove(moved.c_str()), OSIF_ERR_FILE);
    EXPECT_EQ(FILE_Rename(moved.c_str(), copy.c_str()), OSIF_ERR_FILE);

    // Failed opens leave the stream null.
    f = reinterpret_cast<std::FILE*>(1);
    EXPECT_EQ(FILE_Open(&f, u"/nonexistent/dir/file", "r"), OSIF_ERR_FILE);
    EXPECT_EQ(f, nullptr);
}

TEST_F(ObjectsAndFiles, ReadLineTellAndGetChar) {
    const auto path = dir_.path() / "lines.txt";
    {
        std::FILE* f = std::fopen(path.c_str(), "w");
        std::fputs("one\r\ntwo\rrest\n\nlast", f);
        std::fclose(f);
    }
    std::FILE* f = nullptr;
    ASSERT_EQ(FILE_Open(&f, path.u16string().c_str(), "r"), 0u);
    std::vector<std::string> lines;
    while (char* line = FILE_ReadLine(f)) {
        lines.emplace_back(line);
        OSIF_Free(line);
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "", "last"}));
    long position = 0;
    EXPECT_EQ(FILE_Tell(&position, f), 0u);
    EXPECT_EQ(position, 19);
    int c = 0;
    EXPECT_EQ(FILE_GetChar(&c, f), 0u);
    EXPECT_EQ(c, EOF);
    FILE_Close(f, "lines");
}

TEST_F(ObjectsAndFiles, TempFilenamesAreCreatedUniqueInTheTemporaryFolder) {
    char16_t a[OSIF_PATH_SIZE];
    char16_t b[OSIF_PATH_SIZE];
    ASSERT_EQ(FILE_TempFilename(a), 0u);
    ASSERT_EQ(FILE_TempFilename(b), 0u);
    EXPECT_NE(std::u16string(a), std::u16string(b));
    EXPECT_TRUE(FILE_Exists(a));
    EXPECT_EQ(std::filesystem::path(std::u16string(a)).parent_path(), tmp());
    std::filesystem::remove_all(tmp());
    EXPECT_EQ(FILE_TempFilename(a), OSIF_ERR_FILE);
    EXPECT_EQ(a[0], u'\0');
}

TEST(Diagnostics, HexDumpLinesOfSixteenBytes) {
    const std::string data = "Hello\x01\xFF world, 0123456789";
    const auto lines = OSIF_HexDumpLines("OSIF: ", data.data(), data.size());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0],
              "OSIF: 0000:  48 65 6C 6C 6F 01 FF 20 77 6F 72 6C 64 2C 20 30   Hello.. world, 0");
    EXPECT_EQ(lines[1],
              "OSIF: 0010:  31 32 33 34 35 36 37 38 39                        123456789       ");
    EXPECT_TRUE(OSIF_HexDumpLines("p", data.data(), 0).empty());
    // A prefix that leaves no room for a line of at most 261 characters dumps nothing.
    const std::string fits(261 - 73, 'p');
    EXPECT_EQ(OSIF_HexDumpLines(fits.c_str(), data.data(), 1).at(0).size(), 261u);
    const std::string too_long(261 - 72, 'p');
    EXPECT_TRUE(OSIF_HexDumpLines(too_long.c_str(), data.data(), 1).empty());
    // Offsets past 0xFFFF print in full.
    const std::vector<char> big(0x10011, 'x');
    EXPECT_EQ(OSIF_HexDumpLines("", big.data(), big.size()).back().substr(0, 5), "10010");
}
