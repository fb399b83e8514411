#include "StepFileParse.h"

#include <Precision.hxx>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

namespace orvkit {

namespace {

// The texts OpenCASCADE's scanner gives records it makes up itself.
const char kNoIdent[] = "#0";
const char kSubListType[] = "/* (SUB) */";

// Sub-list names "$1", "$2", ...: made on first use in blocks that stay for the process, so
// that every parse, on any thread, shares them. An entity of a million sub-lists (the triangles
// of a large tessellated face) takes a few dozen blocks.
constexpr int kNamesPerBlock = 16384;
constexpr int kMaxSubLists = 1 << 24;
constexpr int kSlot = 16;

const char* SubListName(int number)
{
    static std::array<std::atomic<char*>, kMaxSubLists / kNamesPerBlock> blocks{};
    static std::mutex making;
    std::atomic<char*>& slot = blocks[size_t(number / kNamesPerBlock)];
    char* block = slot.load(std::memory_order_acquire);
    if (block == nullptr) {
        const std::lock_guard<std::mutex> guard(making);
        block = slot.load(std::memory_order_relaxed);
        if (block == nullptr) {
            block = new char[size_t(kNamesPerBlock) * kSlot];
            const int first = number / kNamesPerBlock * kNamesPerBlock;
            for (int i = 0; i < kNamesPerBlock; ++i) {
                std::snprintf(block + size_t(i) * kSlot, kSlot, "$%d", first + i);
            }
            slot.store(block, std::memory_order_release);
        }
    }
    return block + size_t(number % kNamesPerBlock) * kSlot;
}

// Deeper lists than this are given to OpenCASCADE's parser, which has its own stack limit;
// this one recurses.
constexpr int kMaxDepth = 200;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsWordChar(char c)
{
    return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool IsEnumChar(char c)
{
    return IsDigit(c) || (c >= 'A' && c <= 'Z') || c == '_';
}

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\0';
}

bool SameLetters(const char* text, const char* end, const char* upper)
{
    for (; *upper != '\0'; ++text, ++upper) {
        if (text >= end || std::toupper(static_cast<unsigned char>(*text)) != *upper) {
            return false;
        }
    }
    return true;
}

// Whether a number's text stands for a magnitude beyond OpenCASCADE's infinite. The infinite
// itself is OpenCASCADE's own way of writing an unbounded parameter, which its reader takes.
// Most numbers are told apart by their digits and exponent alone; those near the bound are read.
bool IsHostileNumber(const char* text, std::size_t length)
{
    const char* p = text;
    const char* end = text + length;
    if (p < end && (*p == '+' || *p == '-')) {
        ++p;
    }
    while (p < end && *p == '0') {
        ++p;
    }
    long digits = 0;
    for (; p < end && IsDigit(*p); ++p) {
        ++digits;
    }
    const char* e = std::find(p, end, 'E');
    long exponent = 0;
    if (e != end) {
        const char* q = e + 1;
        const bool negative = q < end && *q == '-';
        if (q < end && (*q == '+' || *q == '-')) {
            ++q;
        }
        for (; q < end && IsDigit(*q) && exponent < 100000; ++q) {
            exponent = exponent * 10 + (*q - '0');
        }
        exponent = negative ? -exponent : exponent;
    }
    if (digits + exponent < 99) {
        return false;
    }
    const std::string copy(text, length);
    const double value = std::strtod(copy.c_str(), nullptr);
    return !std::isfinite(value) || std::fabs(value) > Precision::Infinite();
}

enum EnumToken {
    End,
    Bad,
    Entity,  // #12 before '='
    Ident,   // #12 as a parameter
    Value,   // a parameter with its kind
    Type,    // a type name
    Open,    // (
    Close,   // )
    Comma,   // ,
    Equals,  // =
    Semi,    // ;
    Slash,   // /
    Step,    // ISO-10303-21;
    Header,  // HEADER;
    EndSec,  // ENDSEC;
    Data,    // DATA;
    EndStep, // END-ISO-10303-21;
    Scope,   // &SCOPE
    EndScope // ENDSCOPE, not taken
};

// Parses one stretch of the file: the header and the start of the data section when it is the
// first, the end of the file when it is the last, entities in between. The tokens are those of
// OpenCASCADE's scanner, longest match first and the earlier rule on a tie, so that texts and
// kinds come out as its records have them.
class ChunkParser {
public:
    // `origin` is the file's first byte, where the byte offsets in reasons count from.
    ChunkParser(const char* origin, const char* begin, const char* end, bool first, bool last,
                StepFileParse::Chunk& chunk)
        : myOrigin(origin), myP(begin), myEnd(end), myFirst(first), myLast(last), myChunk(chunk)
    {
    }

    // False with `Why()` when the stretch is not taken.
    bool Run()
    {
        Next();
        if (myFirst && !ParseHeader()) {
            return false;
        }
        while (myToken == Entity) {
            if (!ParseBloc()) {
                return false;
            }
            ++myBlocs;
        }
        if (myLast) {
            if (myToken != EndSec) {
                return Fail("an entity or ENDSEC expected");
            }
            Next();
            if (myToken != EndStep) {
                return Fail("END-ISO-10303-21; expected");
            }
            return myBlocs > 0 || Fail("no entity in the data section");
        }
        return myToken == End || Fail("an entity expected");
    }

    const std::string& Why() const { return myWhy; }
    bool IsRefusal() const { return myRefused; }
    int GetHeaderCount() const { return myHeaderCount; }

private:
    bool Fail(const char* what)
    {
        if (myWhy.empty()) {
            myWhy = std::string(what) + " at byte " + std::to_string(myStart - myOrigin);
        }
        return false;
    }

    bool ParseHeader()
    {
        if (myToken != Step) {
            return Fail("ISO-10303-21; expected");
        }
        Next();
        if (myToken != Header) {
            return Fail("HEADER; expected");
        }
        Next();
        while (myToken == Type) {
            if (!ParseTypedList(kNoIdent, 2) || !Expect(Semi, "; expected")) {
                return false;
            }
        }
        if (!Expect(EndSec, "ENDSEC; expected") || !Expect(Data, "DATA; expected")) {
            return false;
        }
        myHeaderCount = int(myChunk.records.size());
        return true;
    }

    bool Expect(EnumToken token, const char* what)
    {
        if (myToken != token) {
            return Fail(what);
        }
        Next();
        return true;
    }

    bool ParseBloc()
    {
        const char* ident = myText;
        const std::uint32_t identLength = myLength;
        myEntityText = ident;
        myEntityLength = identLength;
        Next();
        if (!Expect(Equals, "= expected")) {
            return false;
        }
        if (myToken == Scope) {
            // OpenCASCADE 7.6 cannot load scopes: its scanner frees memory it did not allocate
            // at a scope's end, and its reader data, given the records it expects, loads
            // nothing of the file. Neither parser is given the file.
            myRefused = true;
            myWhy = "entity " + std::string(ident, identLength) +
                    " opens a scope (&SCOPE), which OpenCASCADE cannot load";
            return false;
        }
        if (myToken == Type) {
            if (!ParseTypedList(ident, identLength)) {
                return false;
            }
        } else if (myToken == Open) {
            // A complex entity: its parts in turn, the first under the entity's name.
            Next();
            bool firstPart = true;
            while (myToken == Type) {
                if (!ParseTypedList(firstPart ? ident : kNoIdent, firstPart ? identLength : 2)) {
                    return false;
                }
                firstPart = false;
            }
            if (firstPart || !Expect(Close, ") expected")) {
                return Fail("a type expected");
            }
        } else {
            return Fail("a type expected");
        }
        return Expect(Semi, "; expected");
    }

    // TYPE ( ... ): an entity, a complex entity's part or a header entity, the record named
    // `ident`.
    bool ParseTypedList(const char* ident, std::uint32_t identLength)
    {
        const char* type = myText;
        const std::uint32_t typeLength = myLength;
        Next();
        if (myToken != Open) {
            return Fail("( expected");
        }
        mySubLists = 1;
        return ParseList(ident, identLength, type, typeLength);
    }

    // ( ... ) with the current token on '(': its parameters become the record `ident`, added
    // when the list closes, after the sub-lists it holds.
    bool ParseList(const char* ident, std::uint32_t identLength, const char* type,
                   std::uint32_t typeLength)
    {
        if (++myDepth >= kMaxDepth) {
            return Fail("lists nested too deep");
        }
        if (myLevels.size() <= std::size_t(myDepth)) {
            myLevels.resize(myDepth + 1);
        }
        myLevels[myDepth].clear();
        Next();
        if (myToken != Close) {
            for (;;) {
                if (!ParseParam()) {
                    return false;
                }
                if (myToken == Close) {
                    break;
                }
                if (!Expect(Comma, ", or ) expected")) {
                    return false;
                }
            }
        }
        std::vector<StepFileParse::Param>& params = myLevels[myDepth];
        AddRecord(ident, identLength, type, typeLength, std::uint32_t(myChunk.params.size()),
                  std::uint32_t(params.size()));
        myChunk.params.insert(myChunk.params.end(), params.begin(), params.end());
        --myDepth;
        Next();
        return true;
    }

    bool ParseParam()
    {
        switch (myToken) {
        case Ident:
            AddParam(myText, myLength, Interface_ParamIdent);
            Next();
            return true;
        case Value:
            if ((myKind == Interface_ParamReal || myKind == Interface_ParamInteger) &&
                IsHostileNumber(myText, myLength)) {
                return Refuse();
            }
            AddParam(myText, myLength, myKind);
            Next();
            return true;
        case Open:
            return ParseSubList(kSubListType, sizeof(kSubListType) - 1);
        case Type: {
            const char* type = myText;
            const std::uint32_t typeLength = myLength;
            Next();
            if (myToken != Open) {
                return Fail("( expected after a parameter's type");
            }
            return ParseSubList(type, typeLength);
        }
        default:
            return Fail("a parameter expected");
        }
    }

    bool ParseSubList(const char* type, std::uint32_t typeLength)
    {
        if (mySubLists >= kMaxSubLists) {
            return Fail("more sub-lists in one entity than are taken");
        }
        const int number = mySubLists++;
        const char* name = SubListName(number);
        const std::uint32_t nameLength = std::uint32_t(std::strlen(name));
        if (!ParseList(name, nameLength, type, typeLength)) {
            return false;
        }
        AddParam(name, nameLength, Interface_ParamSub);
        return true;
    }

    bool Refuse()
    {
        myRefused = true;
        const std::string holder = myEntityText != nullptr
                                       ? "entity " + std::string(myEntityText, myEntityLength)
                                       : std::string("the header");
        myWhy = holder + " holds the number " +
                std::string(myText, std::min<std::uint32_t>(myLength, 40)) +
                ", beyond what OpenCASCADE's geometry holds (magnitudes up to 2e+100)";
        return false;
    }

    void AddParam(const char* text, std::uint32_t length, Interface_ParamType kind)
    {
        myLevels[myDepth].push_back({text, length, kind});
    }

    void AddRecord(const char* ident, std::uint32_t identLength, const char* type,
                   std::uint32_t typeLength, std::uint32_t first, std::uint32_t count)
    {
        myChunk.records.push_back({ident, type, identLength, typeLength, first, count});
    }

    // The scanner.

    void Next()
    {
        if (!SkipBlanks()) {
            myToken = Bad;
            return;
        }
        myStart = myP;
        if (myP >= myEnd) {
            myToken = End;
            return;
        }
        Scan();
        // A text token must end before the next one begins: the character after it is
        // overwritten by its terminating zero once the whole file is taken.
        if (myToken == Value || myToken == Ident || myToken == Type || myToken == Entity) {
            myToken = myStart == myLastTextEnd ? Bad : myToken;
            myLastTextEnd = myP;
        }
    }

    bool SkipBlanks()
    {
        while (myP < myEnd) {
            if (IsSpace(*myP)) {
                ++myP;
            } else if (*myP == '/' && myP + 1 < myEnd && myP[1] == '*') {
                const char* close = nullptr;
                for (const char* q = myP + 2; q + 1 < myEnd; ++q) {
                    q = static_cast<const char*>(std::memchr(q, '*', std::size_t(myEnd - q)));
                    if (q == nullptr || q + 1 >= myEnd) {
                        break;
                    }
                    if (q[1] == '/') {
                        close = q;
                        break;
                    }
                }
                if (close == nullptr) {
                    myStart = myP;
                    return Fail("a comment that does not end");
                }
                myP = close + 2;
            } else {
                break;
            }
        }
        return true;
    }

    void SetText(EnumToken token, std::size_t length,
                 Interface_ParamType kind = Interface_ParamMisc)
    {
        myToken = token;
        myText = myP;
        myLength = std::uint32_t(length);
        myKind = kind;
        myP += length;
    }

    void Scan()
    {
        const char c = *myP;
        switch (c) {
        case '(':
            return Punctuation(Open);
        case ')':
            return Punctuation(Close);
        case ',':
            return Punctuation(Comma);
        case '=':
            return Punctuation(Equals);
        case ';':
            return Punctuation(Semi);
        case '/':
            return Punctuation(Slash);
        case '\'':
            return ScanString();
        case '#':
            return ScanName();
        case '$':
            return SetText(Value, 1, Interface_ParamVoid);
        case '*':
            return SetText(Value, 1, Interface_ParamMisc);
        case '"':
            return ScanBinary();
        case '!':
            return ScanUserType();
        case '&':
            if (SameLetters(myP + 1, myEnd, "SCOPE")) {
                myToken = Scope;
                myP += 6;
                return;
            }
            myToken = Bad;
            return;
        default:
            return ScanWord();
        }
    }

    void Punctuation(EnumToken token)
    {
        myToken = token;
        ++myP;
    }

    // A string runs to an apostrophe followed, past spaces, line ends and double quotes, by
    // ')' or ','; the text keeps its apostrophes, line ends and escapes for the reader data to
    // clean, as OpenCASCADE's scanner leaves them.
    void ScanString()
    {
        for (const char* q = myP + 1; q < myEnd; ++q) {
            q = static_cast<const char*>(std::memchr(q, '\'', std::size_t(myEnd - q)));
            if (q == nullptr) {
                break;
            }
            const char* after = q + 1;
            while (after < myEnd &&
                   (*after == ' ' || *after == '\n' || *after == '\r' || *after == '"')) {
                ++after;
            }
            if (after < myEnd && (*after == ')' || *after == ',')) {
                return SetText(Value, std::size_t(q + 1 - myP), Interface_ParamText);
            }
        }
        Fail("a string that does not end");
        myToken = Bad;
    }

    void ScanName()
    {
        const std::size_t digits = Count(myP + 1, IsDigit);
        if (digits == 0) {
            myToken = Bad;
            return;
        }
        const char* q = myP + 1 + digits;
        const char* after = q;
        while (after < myEnd && (*after == ' ' || *after == '\t')) {
            ++after;
        }
        SetText(after < myEnd && *after == '=' ? Entity : Ident, std::size_t(q - myP));
    }

    void ScanBinary()
    {
        const std::size_t digits =
            Count(myP + 1, [](char x) { return IsDigit(x) || (x >= 'A' && x <= 'F'); });
        const char* q = myP + 1 + digits;
        if (digits == 0 || q >= myEnd || *q != '"') {
            myToken = Bad;
            return;
        }
        SetText(Value, std::size_t(q + 1 - myP), Interface_ParamHexa);
    }

    void ScanUserType()
    {
        const std::size_t letters = Count(myP + 1, IsWordChar);
        if (letters == 0) {
            myToken = Bad;
            return;
        }
        SetText(Type, 1 + letters);
    }

    std::size_t Count(const char* from, bool (*accept)(char)) const
    {
        const char* q = from;
        while (q < myEnd && accept(*q)) {
            ++q;
        }
        return std::size_t(q - from);
    }

    // Numbers, enumerations, type names and the section keywords, whose rules overlap.
    void ScanWord()
    {
        const char c = *myP;
        const bool sign = c == '+' || c == '-';
        std::size_t integer = 0;
        if (sign || IsDigit(c)) {
            integer = 1 + Count(myP + 1, IsDigit);
        }
        std::size_t real = 0;
        if (sign || c == '.' || IsDigit(c)) {
            const std::size_t more = Count(myP + 1, [](char x) { return x == '.' || IsDigit(x); });
            if (more > 0) {
                real = 1 + more;
                const char* e = myP + real;
                if (e + 1 < myEnd && *e == 'E' && (e[1] == '+' || e[1] == '-' || IsDigit(e[1]))) {
                    real += 2 + Count(e + 2, IsDigit);
                }
            }
        }
        const std::size_t dots = Count(myP, [](char x) { return x == '.'; });
        const std::size_t letters = Count(myP + dots, IsEnumChar);
        const std::size_t enumeration =
            letters > 0 && myP + dots + letters < myEnd && myP[dots + letters] == '.'
                ? dots + letters + 1
                : 0;
        const std::size_t word = Count(myP, IsWordChar);
        std::size_t keyword = 0;
        EnumToken keywordToken = Bad;
        ScanKeyword(word, keyword, keywordToken);

        // The rules in the scanner's order; a later one wins only when it is longer.
        std::size_t best = integer;
        EnumToken token = integer > 0 ? Value : Bad;
        Interface_ParamType kind = Interface_ParamInteger;
        if (real > best) {
            best = real;
            token = Value;
            kind = Interface_ParamReal;
        }
        if (enumeration > best) {
            best = enumeration;
            token = Value;
            kind = Interface_ParamEnum;
        }
        if (keyword > best) {
            best = keyword;
            token = keywordToken;
        }
        if (word > best) {
            best = word;
            token = Type;
        }
        if (token == Bad) {
            myToken = Bad;
            return;
        }
        if (token == Value || token == Type) {
            return SetText(token, best, kind);
        }
        myToken = token;
        myP += best;
    }

    void ScanKeyword(std::size_t word, std::size_t& length, EnumToken& token) const
    {
        // Every keyword starts with one of these letters; most words are type names that do
        // not.
        const char first = char(*myP & ~0x20);
        if (first != 'S' && first != 'H' && first != 'E' && first != 'D' && first != 'I') {
            return;
        }
        const char* after = myP + word;
        if (word > 0 && after < myEnd && *after == ';') {
            static const struct {
                const char* name;
                EnumToken token;
            } kWords[] = {{"STEP", Step},
                          {"HEADER", Header},
                          {"ENDSEC", EndSec},
                          {"DATA", Data},
                          {"ENDSTEP", EndStep}};
            for (const auto& w : kWords) {
                if (std::strlen(w.name) == word && SameLetters(myP, after, w.name)) {
                    length = word + 1;
                    token = w.token;
                    return;
                }
            }
        }
        for (const auto& [prefix, prefixToken] :
             {std::pair{"END-ISO", EndStep}, std::pair{"ISO", Step}}) {
            if (SameLetters(myP, myEnd, prefix)) {
                const char* q = myP + std::strlen(prefix);
                while (q < myEnd && (IsDigit(*q) || *q == '-')) {
                    ++q;
                }
                if (q < myEnd && *q == ';') {
                    length = std::size_t(q + 1 - myP);
                    token = prefixToken;
                    return;
                }
            }
        }
        if (word == 8 && SameLetters(myP, after, "ENDSCOPE")) {
            length = word;
            token = EndScope;
        }
    }

    const char* myOrigin;
    const char* myP;
    const char* myEnd;
    const char* myStart = nullptr;
    const char* myLastTextEnd = nullptr;
    bool myFirst;
    bool myLast;
    StepFileParse::Chunk& myChunk;

    EnumToken myToken = End;
    const char* myText = nullptr;
    std::uint32_t myLength = 0;
    Interface_ParamType myKind = Interface_ParamMisc;

    const char* myEntityText = nullptr;
    std::uint32_t myEntityLength = 0;
    int mySubLists = 1;
    int myDepth = 0;
    int myBlocs = 0;
    int myHeaderCount = 0;
    std::vector<std::vector<StepFileParse::Param>> myLevels;
    std::string myWhy;
    bool myRefused = false;
};

} // namespace

StepFileParse::~StepFileParse() = default;

StepFileParse StepFileParse::Read(const std::string& path, unsigned threads)
{
    StepFileParse parse;
    parse.myOutcome = Unreadable;
    // Never opened otherwise: opening a FIFO would wait for a writer.
    std::error_code code;
    if (!std::filesystem::is_regular_file(path, code)) {
        parse.myReason = "not a regular file";
        return parse;
    }
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const std::streamoff size = in ? std::streamoff(in.tellg()) : std::streamoff(-1);
    parse.myReason = "the file cannot be read";
    if (size < 0) {
        return parse;
    }
    try {
        parse.myText.resize(std::size_t(size) + 1);
    } catch (const std::bad_alloc&) {
        parse.myReason = "the file does not fit in memory";
        return parse;
    }
    parse.mySize = std::size_t(size);
    in.seekg(0);
    if (!in.read(parse.myText.data(), size)) {
        return parse;
    }
    in.close();
    parse.Parse(threads, ParallelFrom);
    return parse;
}

StepFileParse StepFileParse::FromText(std::string text, unsigned threads, std::size_t parallelFrom)
{
    StepFileParse parse;
    parse.mySize = text.size();
    parse.myText.resize(parse.mySize + 1);
    std::memcpy(parse.myText.data(), text.data(), text.size());
    parse.Parse(threads, parallelFrom);
    return parse;
}

int StepFileParse::GetRecordCount() const
{
    std::size_t count = 0;
    for (const Chunk& chunk : myChunks) {
        count += chunk.records.size();
    }
    return int(count);
}

int StepFileParse::GetParamCount() const
{
    std::size_t count = 0;
    for (const Chunk& chunk : myChunks) {
        count += chunk.params.size();
    }
    return int(count);
}

void StepFileParse::ReleaseRecords()
{
    myChunks.clear();
    myChunks.shrink_to_fit();
}

void StepFileParse::Parse(unsigned threads, std::size_t parallelFrom)
{
    if (threads == 0) {
        threads = std::max(1u, std::thread::hardware_concurrency());
    }
    // Cut where a ';' ends a line and the next starts an entity ("#"): in a well-formed file
    // nearly every entity ends so. A cut inside a string or a comment is found out by the
    // stretch before it, which then does not end cleanly, and the file is parsed in one piece.
    std::vector<std::size_t> cuts{0};
    if (mySize >= parallelFrom && threads > 1) {
        const char* text = myText.data();
        for (unsigned i = 1; i < threads; ++i) {
            const char* from = text + std::max(cuts.back() + 1, mySize / threads * i);
            const char* end = text + mySize;
            for (const char* q = from; q < end; ++q) {
                q = static_cast<const char*>(std::memchr(q, ';', std::size_t(end - q)));
                if (q == nullptr) {
                    break;
                }
                const char* after = q + 1;
                while (after < end && (*after == '\r' || *after == '\n')) {
                    ++after;
                }
                if (after > q + 1 && after < end && *after == '#') {
                    cuts.push_back(std::size_t(q + 1 - text));
                    break;
                }
            }
        }
    }
    cuts.push_back(mySize);
    if (cuts.size() > 2 && ParseChunks(cuts)) {
        Terminate();
        return;
    }
    ParseChunks({0, mySize});
    Terminate();
}

bool StepFileParse::ParseChunks(const std::vector<std::size_t>& cuts)
{
    const std::size_t count = cuts.size() - 1;
    myChunks.assign(count, Chunk{});
    std::vector<ChunkParser> parsers;
    parsers.reserve(count);
    const char* text = myText.data();
    for (std::size_t i = 0; i < count; ++i) {
        parsers.emplace_back(text, text + cuts[i], text + cuts[i + 1], i == 0, i + 1 == count,
                             myChunks[i]);
        // More than a file ever needs (a record takes 30 to 60 bytes of text, a parameter 10 to
        // 20), so that the vectors never move: reserved pages that are not written take no
        // memory.
        const std::size_t bytes = cuts[i + 1] - cuts[i];
        myChunks[i].records.reserve(bytes / 16 + 16);
        myChunks[i].params.reserve(bytes / 4 + 16);
    }
    std::vector<char> taken(count, 0);
    std::vector<std::thread> workers;
    for (std::size_t i = 1; i < count; ++i) {
        workers.emplace_back([&, i] { taken[i] = parsers[i].Run(); });
    }
    taken[0] = parsers[0].Run();
    for (std::thread& worker : workers) {
        worker.join();
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (!taken[i]) {
            // A refusal stands wherever it was found; anything else in a cut file may be the
            // cut's fault.
            myOutcome = parsers[i].IsRefusal() ? Refused : NotTaken;
            myReason = parsers[i].Why();
            if (myOutcome == Refused) {
                return true;
            }
            return false;
        }
    }
    myOutcome = Parsed;
    myReason.clear();
    myHeaderCount = parsers[0].GetHeaderCount();
    return true;
}

void StepFileParse::Terminate()
{
    if (myOutcome != Parsed) {
        myChunks.clear();
        return;
    }
    // Every text token is followed by a blank or a single punctuation character, already read:
    // that character becomes the text's end.
    char* text = myText.data();
    const auto terminate = [text, this](const char* start, std::uint32_t length) {
        if (start >= text && start < text + mySize) {
            text[(start - text) + length] = '\0';
        }
    };
    for (Chunk& chunk : myChunks) {
        for (const Record& record : chunk.records) {
            terminate(record.ident, record.identLength);
            terminate(record.type, record.typeLength);
        }
        for (const Param& param : chunk.params) {
            terminate(param.text, param.length);
        }
    }
}

} // namespace orvkit
