// orvex-occt-step-read FILE: OpenCASCADE's own read of a STEP file into an XDE document, with
// names, colours and layers, and nothing else; the yardstick orvex-bench-startup times the
// program's import of small files against, each as a whole process. Exit status 0 when the
// file was read and transferred.
#include <IFSelect_ReturnStatus.hxx>
#include <STEPCAFControl_Reader.hxx>
#include <TDocStd_Document.hxx>
#include <XCAFApp_Application.hxx>

int main(int argc, char** argv)
{
    if (argc != 2) {
        return 2;
    }
    Handle(TDocStd_Document) document;
    XCAFApp_Application::GetApplication()->NewDocument("MDTV-XCAF", document);
    STEPCAFControl_Reader reader;
    reader.SetNameMode(true);
    reader.SetColorMode(true);
    reader.SetLayerMode(true);
    if (reader.ReadFile(argv[1]) != IFSelect_RetDone) {
        return 1;
    }
    return reader.Transfer(document) ? 0 : 1;
}
