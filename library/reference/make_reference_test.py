#!/usr/bin/env python3
"""The reference's agreement check finds each way a table can part from the published members."""
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_reference  # noqa: E402

IDL = '''
    [ odl, uuid(1), helpstring("Une classe") ]
    interface _Cls_Essai : IDispatch
    {
        // A comment with a fake: HRESULT Fantome();
        [id(0x68030000), propget, helpstring("Le texte")]
        HRESULT Texte([out, retval] BSTR* pRetVal);
        [id(0x68030000), propput, helpstring("Le texte")]
        HRESULT Texte([in, out] BSTR* vData);
        [id(0x60030000), helpstring("Lit \\"une\\" valeur\\r\\ndans un fichier")]
        HRESULT Lire([in, out] BSTR* strChaîneDéf,
                     [in, out, optional] VARIANT_BOOL* blnTout,
                     [in] long Taille,
                     [out, retval] VARIANT* pRetVal);
    };
'''

ENTRY_LIRE = """Member: Lire
Does: Reads.
Param strChaîneDéf: The default.
  Continued.
Param blnTout: All.
Param Taille: The size.
Back strChaîneDéf: What was read.
Returns: The value.
Error: none
Box: none
Effect: none
JScript: no: the value comes back only in strChaîneDéf.
Example:
    Set o = CreateObject("BRASKEDLL.Cls_Essai")

    WScript.Echo o.Lire(d, True, 3)
"""
ENTRY_TEXTE = """Member: Texte
Does: The text.
Returns: What was set.
Error: none
Box: none
Effect: none
JScript: yes
Example:
    o.Texte = "a"
"""


def problems(table):
    with tempfile.TemporaryDirectory() as folder:
        idl = os.path.join(folder, "essai.idl")
        with open(idl, "w", encoding="utf-8") as f:
            f.write(IDL)
        with open(os.path.join(folder, "Cls_Essai.txt"), "w", encoding="utf-8") as f:
            f.write(table)
        return make_reference.disagreements(make_reference.read_idl(idl), make_reference.tables(folder))


class Agreement(unittest.TestCase):
    def test_each_disagreement_is_found(self):
        whole = "Class: Cls_Essai\n  About.\n\n" + ENTRY_LIRE + "\n" + ENTRY_TEXTE
        cases = [
            ("whole", whole, []),
            ("a member left out", whole.replace(ENTRY_TEXTE, ""), ["Cls_Essai.Texte: published, but the table has no entry"]),
            ("an entry for no member", whole + "\nMember: Fantome\nDoes: x\n", ["Fantome is no published member"]),
            ("a parameter misnamed", whole.replace("Param Taille", "Param taille"),
             ["no Param line for Taille", "Param taille is not a parameter"]),
            ("written back into a by-value parameter", whole.replace("Back strChaîneDéf", "Back Taille"),
             ["Back Taille is not a by-reference parameter"]),
            ("no error line", whole.replace("Error: none\nBox: none\nEffect: none\nJScript: no", "Box: none\nEffect: none\nJScript: no"),
             ["Lire: no Error"]),
            ("no result said", whole.replace("Returns: The value.\n", ""), ["Lire: no Returns"]),
            ("no class block", whole.replace("Class: Cls_Essai\n  About.\n", ""), ["the table has no Class block"]),
        ]
        for name, table, expected in cases:
            with self.subTest(name):
                found = problems(table)
                self.assertEqual(len(found), len(expected), found)
                for fragment, line in zip(expected, found):
                    self.assertIn(fragment, line)

    def test_the_idl_is_read_as_a_script_sees_it(self):
        interface = make_reference.read_idl_text(IDL)[0]
        self.assertEqual([m.name for m in interface.members], ["Texte", "Lire"])
        lire = interface.member("Lire")
        self.assertEqual(lire.help, 'Lit "une" valeur\ndans un fichier')
        self.assertEqual([(p.name, p.type, p.by_reference, p.optional) for p in lire.parameters],
                         [("strChaîneDéf", "String", True, False), ("blnTout", "Boolean", True, True),
                          ("Taille", "Long", False, False)])
        self.assertEqual(make_reference.vbscript_syntax(lire), ["result = o.Lire(strChaîneDéf, [blnTout], Taille)"])
        texte = interface.member("Texte")
        self.assertEqual((texte.kinds, texte.parameters, texte.result), ({"propget", "propput"}, [], "String"))
        self.assertEqual(make_reference.vbscript_syntax(texte), ["value = o.Texte", "o.Texte = value"])


if __name__ == "__main__":
    unittest.main()
