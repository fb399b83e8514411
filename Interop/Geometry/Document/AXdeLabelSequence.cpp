#include "XdeLabelSequence.h"

#include "Interop/Kernel/XdeDocumentImpl.h"
#include "Interop/Kernel/XdeLabelImpl.h"
#include "XdeNode.h"

#include <NCollection_Sequence.hxx>
#include <TDF_Label.hxx>
#include <XCAFDoc_ShapeTool.hxx>

namespace orvkit {

struct XdeLabelSequence::Record {
    NCollection_Sequence<TDF_Label> labels;
    NCollection_Sequence<TDF_Label>::Iterator cursor;
};

XdeLabelSequence::XdeLabelSequence(const std::shared_ptr<XdeNode>& node)
    : myRecord(std::make_unique<Record>())
{
    XCAFDoc_ShapeTool::GetSubShapes(node->GetImpl()->label, myRecord->labels);
    myRecord->cursor.Init(myRecord->labels);
}

XdeLabelSequence::~XdeLabelSequence()
{
    myRecord->labels.Clear();
}

bool XdeLabelSequence::More() const
{
    return myRecord->cursor.More();
}

void XdeLabelSequence::Next()
{
    if (myRecord->cursor.More()) {
        myRecord->cursor.Next();
    }
}

std::shared_ptr<XdeNode> XdeLabelSequence::Value() const
{
    return std::make_shared<XdeNode>(myRecord->cursor.Value());
}

} // namespace orvkit
