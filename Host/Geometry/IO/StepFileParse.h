#pragma once

#include "Geometry/IO/HugePageAllocator.h"

#include <Interface_ParamType.hxx>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orvkit {

// A STEP (ISO 10303-21) file read into memory and cut into the records OpenCASCADE's reader
// data holds, without OpenCASCADE's scanner: the whole file in one buffer, lexed in one pass,
// in parallel chunks cut at entity ends when it is large, with no process-wide state, so that
// two threads parse two files at once.
//
// The records are what OpenCASCADE's own scanner hands to StepData_StepReaderData, in the same
// order and with the same texts: an entity's sub-lists come before it ("$1", "$2", ... in the
// order they open, typed parameters as sub-lists named by their type), the parts of a complex
// entity after the first are "#0", header entities are "#0". Texts point into the buffer,
// terminated in place.
//
// The parse takes well-formed files only. Anything else (a syntax error, a stray character)
// makes it give the file up as not taken, with the reason, and the caller reads it with
// OpenCASCADE's parser, which has its own ways of recovering from errors. A number no geometry
// can hold refuses the file, and so does a scope, which OpenCASCADE 7.6 cannot load.
class StepFileParse {
public:
    enum EnumOutcome {
        // Records are ready for the reader data.
        Parsed,
        // The file is well formed as far as this parse goes only with something it does not
        // take; `reason` says what and where. OpenCASCADE's parser should read it.
        NotTaken,
        // The file holds a number beyond what OpenCASCADE's geometry holds, or a scope;
        // `reason` names it and its entity.
        Refused,
        // The file could not be read into memory.
        Unreadable,
    };

    struct Param {
        const char* text;
        std::uint32_t length;
        Interface_ParamType kind;
    };

    struct Record {
        const char* ident;
        const char* type;
        std::uint32_t identLength;
        std::uint32_t typeLength;
        std::uint32_t firstParam; // within its chunk
        std::uint32_t paramCount;
    };

    // One stretch of the file's records with their parameters; chunks follow in file order.
    struct Chunk {
        std::vector<Record, HugePageAllocator<Record>> records;
        std::vector<Param, HugePageAllocator<Param>> params;
    };

    // Files from this size on are cut into chunks parsed in parallel.
    static constexpr std::size_t ParallelFrom = std::size_t(1) << 20;

    // Reads and parses the file at `path`. `threads` bounds the chunks parsed at once; 0 takes
    // the machine's cores. Small files are parsed in one chunk.
    static StepFileParse Read(const std::string& path, unsigned threads = 0);
    // Parses `text` as a file's content, cut into chunks from `parallelFrom` bytes on.
    static StepFileParse FromText(std::string text, unsigned threads = 0,
                                  std::size_t parallelFrom = ParallelFrom);

    StepFileParse(StepFileParse&&) = default;
    StepFileParse& operator=(StepFileParse&&) = default;
    ~StepFileParse();

    EnumOutcome GetOutcome() const { return myOutcome; }
    const std::string& GetReason() const { return myReason; }
    // Records of the header section: the first ones of the first chunk.
    int GetHeaderCount() const { return myHeaderCount; }
    int GetRecordCount() const;
    int GetParamCount() const;
    const std::vector<Chunk>& GetChunks() const { return myChunks; }
    // The records, to be changed before they are loaded (a reader that took some entities'
    // parameters itself may empty them).
    std::vector<Chunk>& ChangeChunks() { return myChunks; }
    std::size_t GetSize() const { return mySize; }

    // Frees the records, keeping the texts they point to (the reader data keeps the texts'
    // addresses until the model is loaded).
    void ReleaseRecords();

private:
    StepFileParse() = default;
    void Parse(unsigned threads, std::size_t parallelFrom);
    bool ParseChunks(const std::vector<std::size_t>& cuts);
    void Terminate();

    // The file's text and a terminating zero.
    std::vector<char, HugePageAllocator<char>> myText;
    std::size_t mySize = 0;
    EnumOutcome myOutcome = NotTaken;
    std::string myReason;
    int myHeaderCount = 0;
    std::vector<Chunk> myChunks;
};

} // namespace orvkit
