"""The package: its stub types every public name the module has, with the same parameters."""

import ast
import pathlib
import re

import orvex

STUB = ast.parse(pathlib.Path(orvex.__file__).with_name("__init__.pyi").read_text())


def public(names):
    return {name for name in names if not name.startswith("_")}


def stub_members(body):
    names = set()
    for node in body:
        if isinstance(node, (ast.ClassDef, ast.FunctionDef)):
            names.add(node.name)
        elif isinstance(node, ast.AnnAssign):
            names.add(node.target.id)
    return names


def stub_classes():
    return {node.name: node for node in STUB.body if isinstance(node, ast.ClassDef)}


def stub_functions():
    functions = [(None, node) for node in STUB.body if isinstance(node, ast.FunctionDef)]
    for name, node in stub_classes().items():
        functions += [(name, n) for n in node.body if isinstance(n, ast.FunctionDef)
                      and not any(getattr(d, "id", "") == "property" for d in n.decorator_list)]
    return functions


def stub_parameters(function):
    arguments = function.args
    positional = [a.arg for a in arguments.posonlyargs + arguments.args if a.arg != "self"]
    return positional, [a.arg for a in arguments.kwonlyargs]


def runtime_parameters(function):
    """The parameters pybind11 wrote into the first line of the docstring."""
    signature = function.__doc__.splitlines()[0]
    inside = signature[signature.index("(") + 1:signature.rindex(")")]
    parts, depth, current = [], 0, ""
    for character in inside:
        if character in "[(":
            depth += 1
        elif character in "])":
            depth -= 1
        if character == "," and depth == 0:
            parts.append(current.strip())
            current = ""
        else:
            current += character
    parts.append(current.strip())
    names = [re.match(r"[\w*]+", part).group(0) for part in parts if part]
    names = [name for name in names if name != "self"]
    if "*" not in names:
        return names, []
    star = names.index("*")
    return names[:star], names[star + 1:]


def test_the_stub_names_every_public_name_and_no_other():
    # The stub's own aliases (_Path, ...) are private to it.
    typed = {name for name in stub_members(STUB.body)
             if not name.startswith("_") or name == "__version__"}
    assert typed == public(dir(orvex)) | {"__version__"}
    assert set(orvex.__all__) == public(dir(orvex))


def test_each_stub_class_has_the_members_of_the_class():
    for name, node in stub_classes().items():
        runtime = getattr(orvex, name)
        if issubclass(runtime, BaseException):
            continue
        assert stub_members(node.body) == public(dir(runtime)), name


def test_each_stub_function_takes_the_parameters_of_the_function():
    functions = stub_functions()
    assert len(functions) > 6
    for owner, node in functions:
        runtime = getattr(getattr(orvex, owner) if owner else orvex, node.name)
        assert stub_parameters(node) == runtime_parameters(runtime), (owner, node.name)


def test_names_are_the_packages():
    assert orvex.ReadError.__module__ == "orvex" and orvex.Model.__module__ == "orvex"
    assert pathlib.Path(orvex.__file__).with_name("py.typed").is_file()
