"""Part.mesh: numpy arrays of consistent shapes, whose triangles cover the part."""

import gc

import numpy
import pytest

import orvex


@pytest.fixture(scope="module")
def model(sample):
    return orvex.read(sample)


def triangle_area(mesh):
    corners = mesh.vertices.astype(numpy.float64)[mesh.triangles]
    cross = numpy.cross(corners[:, 1] - corners[:, 0], corners[:, 2] - corners[:, 0])
    return 0.5 * numpy.linalg.norm(cross, axis=1).sum()


class TestMeshArrays:
    def test_shapes_and_types_agree(self, model):
        for part in model.parts:
            mesh = part.mesh()
            vertices, triangles = mesh.vertices, mesh.triangles
            assert vertices.dtype == numpy.float32 and vertices.ndim == 2
            assert vertices.shape[1] == 3 and vertices.shape[0] > 0
            assert mesh.normals.dtype == numpy.float32
            assert mesh.normals.shape in [vertices.shape, (0, 3)]
            assert triangles.dtype == numpy.uint32 and triangles.shape[1] == 3
            assert mesh.face_ids.dtype == numpy.uint32
            assert mesh.face_ids.shape == (triangles.shape[0],)
            assert triangles.max() < vertices.shape[0]

    def test_every_face_is_meshed_and_numbered_within_the_part(self, model):
        for part in model.parts:
            face_ids = part.mesh().face_ids
            assert face_ids.max() < part.faces
            assert set(numpy.unique(face_ids)) == set(range(part.faces))

    def test_triangles_cover_the_area_the_geometry_has(self, model):
        # The check measures each part's B-rep surface with OpenCASCADE, apart from the mesh.
        computed = {p.path.split("/")[-1]: p.area.computed
                    for p in orvex.check(model).products if p.kind == "part"}
        for part in model.parts:
            assert triangle_area(part.mesh()) == pytest.approx(computed[part.name], rel=0.02)

    def test_a_finer_deflection_gives_more_triangles(self, model):
        part = next(p for p in model.parts if p.name == "nut")
        coarse = part.mesh(deflection=1.0, angle=1.0)
        fine = part.mesh(deflection=0.01, angle=0.1)
        assert fine.triangles.shape[0] > coarse.triangles.shape[0]
        assert triangle_area(fine) == pytest.approx(triangle_area(coarse), rel=0.05)


def test_arrays_outlive_the_model_and_the_mesh(sample):
    model = orvex.read(sample)
    mesh = model.parts[0].mesh()
    expected = mesh.vertices.copy()
    vertices = mesh.vertices
    del model, mesh
    gc.collect()
    for _ in range(3):
        orvex.read(sample).parts[0].mesh()
    assert numpy.array_equal(vertices, expected)
