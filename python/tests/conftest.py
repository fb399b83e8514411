"""What the tests share: where the files are, and what the program prints for them, which the
module's results are checked against."""

import json
import os
import pathlib
import subprocess

import numpy
import pytest


def _folder(variable):
    value = os.environ.get(variable)
    if not value:
        pytest.skip(f"{variable} is not set; CTest sets it")
    return pathlib.Path(value)


@pytest.fixture(scope="session")
def program():
    return _folder("ORVEX_PROGRAM")


@pytest.fixture(scope="session")
def sample():
    return _folder("ORVEX_EXAMPLES_DIR") / "as1-assembly.stp"


@pytest.fixture(scope="session")
def data():
    return _folder("ORVEX_TEST_DATA_DIR")


@pytest.fixture(scope="session")
def corpus():
    folder = pathlib.Path(os.environ.get("ORVEX_CORPUS_DIR", "/nonexistent"))
    if not folder.is_dir():
        pytest.skip("the shared corpus is not beside the checkout")
    return folder


@pytest.fixture(scope="session")
def run_program(program):
    """Runs the program with arguments; its standard output, parsed as JSON."""

    def run(*arguments):
        result = subprocess.run([str(program), *map(str, arguments)], capture_output=True,
                                text=True, check=True)
        return json.loads(result.stdout)

    return run


def _rotation(axis, degrees):
    x, y, z = numpy.asarray(axis, dtype=float) / numpy.linalg.norm(axis)
    k = numpy.array([[0, -z, y], [z, 0, -x], [-y, x, 0]])
    angle = numpy.radians(degrees)
    return numpy.eye(3) + numpy.sin(angle) * k + (1 - numpy.cos(angle)) * (k @ k)


def _local_matrix(element):
    matrix = numpy.eye(4)
    matrix[:3, :3] = _rotation(element["rotation"]["axis"], element["rotation"]["angleDegrees"])
    matrix[:3, 3] = element["translation"]
    return matrix


def placed_parts(imported):
    """The placed parts of `import --json`'s document: (part name, colour, 4 x 4 world matrix)
    for every instance of a shape, its placement composed down from the root."""
    elements = {element["id"]: element for element in imported["elements"]}
    placed = []

    def walk(children, above):
        for child in children:
            element = elements[child]
            matrix = above @ _local_matrix(element)
            prototype = elements.get(element.get("prototype"))
            if prototype is None:
                continue
            if prototype["class"] == "ShapeElement":
                placed.append((prototype["name"], element.get("color"), matrix))
            else:
                walk(prototype.get("children", []), matrix)

    # Managed roots are the prototypes themselves, placed only through their instances.
    for root in imported["roots"]:
        if not elements[root].get("managed"):
            walk(elements[root].get("children", []), numpy.eye(4))
    return placed


@pytest.fixture(scope="session")
def imported_sample(run_program, sample):
    return run_program("import", "--json", sample)
