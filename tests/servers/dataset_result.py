"""A .NET-style DataSet result: an inline XML schema followed by a diffgram.

The result element holds exactly two child elements and no whitespace text,
so a client walking its child nodes finds the schema at 0 and the rows at 1.
Each child carries its own namespace declarations, as ASP.NET writes them,
so either one can be cut out and parsed on its own.
"""

from lxml import etree
from spyne import AnyXml, ComplexModel
from spyne.const.xml import XSD

XS_NS = "http://www.w3.org/2001/XMLSchema"
MSDATA_NS = "urn:schemas-microsoft-com:xml-msdata"
DIFFGR_NS = "urn:schemas-microsoft-com:xml-diffgram-v1"

DATASET_NAME = "NewDataSet"
ROW_ELEMENT = "Table"
COLUMNS = (("Id", "xs:int"), ("Name", "xs:string"), ("Price", "xs:double"))


def dataset_model(namespace):
    """The declared type of a DataSet result: a complex type whose sequence
    holds xs:any, which is how ASP.NET declares it as well."""
    any_content = AnyXml(schema_tag=XSD("any"), namespace="##any", process_contents="lax",
                         min_occurs=0, max_occurs="unbounded", nillable=False)
    return type("DataSet", (ComplexModel,), {
        "__namespace__": namespace,
        "_type_info": [("content", any_content)],
    })


def sample_rows(count):
    """Row n (from 1) is (n, "Item n", n * 1.25)."""
    return [(str(n), f"Item {n}", repr(n * 1.25)) for n in range(1, count + 1)]


def append_dataset(result, rows):
    """Writes schema and diffgram into `result`, which must already sit in its
    final document: lxml drops a declaration an ancestor already makes, and an
    element declared after the fact keeps its own."""
    _append_schema(result)
    _append_diffgram(result, rows)


def _xs(name):
    return f"{{{XS_NS}}}{name}"


def _append_schema(result):
    schema = etree.SubElement(result, _xs("schema"), id=DATASET_NAME,
                              nsmap={"xs": XS_NS, "msdata": MSDATA_NS})
    dataset = etree.SubElement(schema, _xs("element"), name=DATASET_NAME)
    dataset.set(f"{{{MSDATA_NS}}}IsDataSet", "true")
    choice = etree.SubElement(etree.SubElement(dataset, _xs("complexType")), _xs("choice"),
                              minOccurs="0", maxOccurs="unbounded")
    row = etree.SubElement(choice, _xs("element"), name=ROW_ELEMENT)
    sequence = etree.SubElement(etree.SubElement(row, _xs("complexType")), _xs("sequence"))
    for name, xs_type in COLUMNS:
        etree.SubElement(sequence, _xs("element"), name=name, type=xs_type, minOccurs="0")


def _append_diffgram(result, rows):
    diffgram = etree.SubElement(result, f"{{{DIFFGR_NS}}}diffgram",
                                nsmap={"msdata": MSDATA_NS, "diffgr": DIFFGR_NS})
    dataset = etree.SubElement(diffgram, DATASET_NAME)
    for index, cells in enumerate(rows):
        row = etree.SubElement(dataset, ROW_ELEMENT)
        row.set(f"{{{DIFFGR_NS}}}id", f"{ROW_ELEMENT}{index + 1}")
        row.set(f"{{{MSDATA_NS}}}rowOrder", str(index))
        for (name, _), text in zip(COLUMNS, cells):
            etree.SubElement(row, name).text = text
