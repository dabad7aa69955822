"""The https side of the download tests' server: a certificate authority made here, trusted by
the test programs in their Wine prefix only (they add test_ca.der to its root store), and one
TLS server on 127.0.0.1 per certificate case, each answering every path of the HTTP server.

Written beside the port file:
  test_ca.der            the authority's certificate (DER)
  tls_test_servers       one "<case> <port>" line per server:
    good         signed by the authority, for localhost and 127.0.0.1, for server authentication
    wrong-host   signed by the authority, for other.example only
    expired      signed by the authority, valid in 2020 only
    self-signed  its own issuer
    untrusted    signed by another authority that nobody trusts
    client-only  signed by the authority, for client authentication only
    old-tls      the good certificate, but TLS 1.0 and 1.1 only
  list_key_rsa, list_key_ec   base64 of the public keys (DER SubjectPublicKeyInfo) that sign
                 the lists of /signed-rsa/, /signed-ec/ and /tampered-rsa/ (see http_test_server.py)
"""
import base64
import datetime
import ipaddress
import os
import ssl
import threading
import uuid

from cryptography import x509
from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import ec, padding, rsa
from cryptography.x509.oid import ExtendedKeyUsageOID, NameOID

NOW = datetime.datetime.now(datetime.timezone.utc)


def _name(common):
    return x509.Name([x509.NameAttribute(NameOID.COMMON_NAME, common)])


def _authority(common):
    key = ec.generate_private_key(ec.SECP256R1())
    cert = (x509.CertificateBuilder().subject_name(_name(common)).issuer_name(_name(common))
            .public_key(key.public_key()).serial_number(x509.random_serial_number())
            .not_valid_before(NOW - datetime.timedelta(days=1)).not_valid_after(NOW + datetime.timedelta(days=365))
            .add_extension(x509.BasicConstraints(ca=True, path_length=None), critical=True)
            .add_extension(x509.KeyUsage(False, False, False, False, False, True, True, False, False), critical=True)
            .add_extension(x509.SubjectKeyIdentifier.from_public_key(key.public_key()), critical=False)
            .sign(key, hashes.SHA256()))
    return key, cert


def _leaf(issuer_key, issuer_cert, names, usage=ExtendedKeyUsageOID.SERVER_AUTH, start=None, end=None):
    key = ec.generate_private_key(ec.SECP256R1())
    subject = _name(names[0] if isinstance(names[0], str) else "leaf")
    alternatives = [x509.DNSName(n) if isinstance(n, str) else x509.IPAddress(n) for n in names]
    builder = (x509.CertificateBuilder().subject_name(subject)
               .issuer_name(issuer_cert.subject if issuer_cert else subject)
               .public_key(key.public_key()).serial_number(x509.random_serial_number())
               .not_valid_before(start or NOW - datetime.timedelta(days=1))
               .not_valid_after(end or NOW + datetime.timedelta(days=30))
               .add_extension(x509.SubjectAlternativeName(alternatives), critical=False)
               .add_extension(x509.ExtendedKeyUsage([usage]), critical=False)
               .add_extension(x509.KeyUsage(True, False, False, False, True, False, False, False, False), critical=True))
    if issuer_key:
        builder = builder.add_extension(x509.AuthorityKeyIdentifier.from_issuer_public_key(issuer_key.public_key()),
                                        critical=False)
    return key, builder.sign(issuer_key or key, hashes.SHA256())


def _pem_files(folder, case, key, cert, chain=()):
    key_path = os.path.join(folder, "tls_%s.key" % case)
    cert_path = os.path.join(folder, "tls_%s.pem" % case)
    with open(key_path, "wb") as f:
        f.write(key.private_bytes(serialization.Encoding.PEM, serialization.PrivateFormat.PKCS8,
                                  serialization.NoEncryption()))
    with open(cert_path, "wb") as f:
        for c in (cert,) + tuple(chain):
            f.write(c.public_bytes(serialization.Encoding.PEM))
    return cert_path, key_path


class ListSigner:
    """The keys that sign the test lists, and their public halves for CLELISTE."""

    def __init__(self, folder):
        self.rsa = rsa.generate_private_key(public_exponent=65537, key_size=2048)
        self.ec = ec.generate_private_key(ec.SECP256R1())
        for name, key in (("list_key_rsa", self.rsa), ("list_key_ec", self.ec)):
            der = key.public_key().public_bytes(serialization.Encoding.DER,
                                                serialization.PublicFormat.SubjectPublicKeyInfo)
            with open(os.path.join(folder, name), "w") as f:
                f.write(base64.b64encode(der).decode("ascii"))

    def signature(self, kind, data):
        """Base64 with line breaks every 64 characters, as `base64` writes it."""
        if kind == "ec":
            raw = self.ec.sign(data, ec.ECDSA(hashes.SHA256()))
        else:
            raw = self.rsa.sign(data, padding.PKCS1v15(), hashes.SHA256())
        text = base64.b64encode(raw).decode("ascii")
        return ("\n".join(text[i:i + 64] for i in range(0, len(text), 64)) + "\n").encode("ascii")


def start(folder, make_server):
    """Starts the TLS servers with make_server() (an HTTP server on 127.0.0.1, port 0) and
    writes their ports; returns the list signer."""
    # Names of their own for each start: the 32-bit and 64-bit servers each make an authority,
    # both trusted in the one prefix, and the platform finds an issuer by its name (and by its
    # key identifier, which the certificates carry too): two authorities of one name would sign
    # each other's certificates as far as it can tell, and one of them wrongly.
    run = uuid.uuid4().hex[:12]
    ca_key, ca_cert = _authority("PLENAR test authority " + run)
    other_key, other_cert = _authority("Nobody's authority " + run)
    with open(os.path.join(folder, "test_ca.der"), "wb") as f:
        f.write(ca_cert.public_bytes(serialization.Encoding.DER))
    here = ["localhost", ipaddress.ip_address("127.0.0.1")]
    good = _leaf(ca_key, ca_cert, here)
    cases = {
        "good": good,
        "wrong-host": _leaf(ca_key, ca_cert, ["other.example"]),
        "expired": _leaf(ca_key, ca_cert, here, start=datetime.datetime(2020, 1, 1, tzinfo=datetime.timezone.utc),
                         end=datetime.datetime(2020, 12, 31, tzinfo=datetime.timezone.utc)),
        "self-signed": _leaf(None, None, here),
        "untrusted": _leaf(other_key, other_cert, here),
        "client-only": _leaf(ca_key, ca_cert, here, usage=ExtendedKeyUsageOID.CLIENT_AUTH),
        "old-tls": good,
    }
    lines = []
    for case, (key, cert) in cases.items():
        cert_path, key_path = _pem_files(folder, case, key, cert)
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        if case == "old-tls":
            context.set_ciphers("DEFAULT:@SECLEVEL=0")
            context.minimum_version = ssl.TLSVersion.TLSv1
            context.maximum_version = ssl.TLSVersion.TLSv1_1
        else:
            context.minimum_version = ssl.TLSVersion.TLSv1_2
        context.load_cert_chain(cert_path, key_path)
        server = make_server()
        # The handshake in the connection's own thread, not in the one that accepts: a client
        # that stops half-way must not hold up the others.
        server.socket = context.wrap_socket(server.socket, server_side=True, do_handshake_on_connect=False)
        threading.Thread(target=server.serve_forever, daemon=True).start()
        lines.append("%s %d\n" % (case, server.server_address[1]))
    with open(os.path.join(folder, "tls_test_servers.new"), "w") as f:
        f.writelines(lines)
    os.replace(os.path.join(folder, "tls_test_servers.new"), os.path.join(folder, "tls_test_servers"))
    return ListSigner(folder)
