"""Read, write, compare, check and convert CAD models: STEP and IGES assemblies with their
names, colours and dimensions, and glTF, GLB, OBJ, STL and BREP files.

    import orvex
    model = orvex.read("assembly.stp")
    for part in model.parts:
        print(part.name, part.color)
    model.write("assembly.glb")
    print(orvex.compare("assembly.stp", "assembly.glb").summary)

orvex.write_page and orvex.write_snapshot make an offline 3D page of a file and a picture of it.

Failures raise orvex.Error (orvex.ReadError, orvex.WriteError). Reading, writing, meshing,
comparing and converting release the GIL, so other threads run meanwhile.
"""

from ._orvex import (
    Assembly,
    Body,
    CheckedProduct,
    CheckedValue,
    CheckReport,
    CompareReport,
    ConvertedFile,
    ConvertReport,
    Difference,
    Datum,
    DatumReference,
    DatumTarget,
    Dimension,
    Error,
    Instance,
    Material,
    Mesh,
    Model,
    PageReport,
    Part,
    Pmi,
    PmiDimension,
    PmiTolerance,
    Property,
    ReadError,
    SplitChild,
    SplitReport,
    WriteError,
    WriteReport,
    __version__,
    check,
    compare,
    convert,
    read,
    split,
    write_page,
    write_snapshot,
)

__all__ = [
    "Assembly",
    "Body",
    "CheckedProduct",
    "CheckedValue",
    "CheckReport",
    "CompareReport",
    "ConvertedFile",
    "ConvertReport",
    "Difference",
    "Datum",
    "DatumReference",
    "DatumTarget",
    "Dimension",
    "Error",
    "Instance",
    "Material",
    "Mesh",
    "Model",
    "PageReport",
    "Part",
    "Pmi",
    "PmiDimension",
    "PmiTolerance",
    "Property",
    "ReadError",
    "SplitChild",
    "SplitReport",
    "WriteError",
    "WriteReport",
    "check",
    "compare",
    "convert",
    "read",
    "split",
    "write_page",
    "write_snapshot",
]
