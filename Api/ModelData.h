#pragma once

#include "ModelTree.h"

#include "orvex/Model.h"
#include "orvex/Pmi.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace orvex::detail {

// What a Model shares among its copies: the document, and what is laid out from it on first
// use. The lock makes the calls on one model take turns: OpenCASCADE's documents and shapes are
// not safe to read while another thread meshes or copies them.
struct ModelData {
    std::unique_ptr<orvkit::XdeDocumentImpl> document;
    std::string source;
    std::vector<std::string> warnings;

    std::recursive_mutex lock;
    bool laidOut = false;
    ModelTree tree;
    std::vector<Part> parts;
    std::vector<int> partOfProduct; // by product of the tree; -1 for an assembly
    std::vector<size_t> productOfPart;
    std::vector<Instance> instances;
    std::vector<Assembly> assemblies;
};

struct ModelAccess {
    static ModelData& Data(const Model& model) { return *model.myData; }
    // Whether no other copy shares the model's document.
    static bool IsAlone(const Model& model) { return model.myData.use_count() == 1; }
};

// The model's tree and lists, laid out on the first call; the caller holds the lock.
const ModelData& LaidOut(const Model& model);

// The semantic PMI of a document read from `file` (ReadPmi); the caller holds its model's lock.
PmiList ReadPmiOf(const orvkit::XdeDocumentImpl& document, const std::string& file);

} // namespace orvex::detail
