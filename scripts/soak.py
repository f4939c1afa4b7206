#!/usr/bin/env python3
"""Soak run of the real service: concurrent clients through whole invoices.

    python3 scripts/soak.py EXECUTABLE_DIR [MINUTES] [CLIENTS]

scripts/soak.sh builds the service and calls this. The service runs as a
service (sweeps every half inactivity limit) from a temporary folder of its
own with its own INI, Interface_Max_Inactivity_Sec at its minimum (300).

Every client loops through one invoice after the other: manager, request,
addresses and a service input, the sample invoice's sections and five
services, Finalize, GetXML and its download, Print and its download, LoadXML
of the downloaded XML as an upload, reads of the loaded result, reads of the
objects, and PutDestructTarvos of the whole group. One client in eight
abandons its objects instead, for the sweep, during the abandon phase (see
Phases). RSS and open descriptors of the service are sampled every second.

Phases: abandoned objects live 1 to 1.5 limits after their last use, so
objects abandoned in the first (run - 1.5 limits) must be swept during the
run. Clients abandon during the first max(run - 1.5 limits - 30 s, run / 3);
warm-up ends 30 s after that (at least 60 s, at most two thirds of the run),
and the trend test looks at the samples after it.

Checks at the end (after SIGTERM, which releases what is left):
  - no 5xx, no reply that the scenario did not expect, no missing reply;
  - every object created was released exactly once: by the client
    (location destruct), by a sweep during the run or at stop (sanity),
    never by the final walk over the tables (shutdown); objects abandoned
    more than 1.5 limits before the end were swept during the run;
  - RSS and open descriptors after warm-up show no upward trend: the least
    squares line over those samples rises by at most the tolerance over the
    window, and the median of the last quarter is at most the median of the
    first quarter plus the tolerance (RSS: 5 % or 4 MB, whichever is more;
    descriptors: 10 % or 8);
  - the working folder: files planted with a time of two days ago are
    deleted by the sweeps, files of 23 hours stay; a sweep looks at no more
    than 200 entries, so a planted file left in a folder of more entries is
    reported, not failed;
  - the module log ends with a whole line; the service exits with 0.
Prints a summary; exits with 1 when a check fails.
"""

import http.client
import json
import os
import re
import shutil
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time

LIMIT = 300  # Interface_Max_Inactivity_Sec: its minimum
ROOT = "/tarvosServer450"
BILLER_GLN = "2000000000008"
RECIPIENT_GLN = "7601000000002"
PATIENT_SSN = "7569217076985"
QR_IBAN = "CH4431999123000889012"
QR_REFERENCE = "210000000003139471430009017"


class Unexpected(Exception):
    """A reply the scenario did not expect."""


class Stats:
    def __init__(self):
        self.lock = threading.Lock()
        self.requests = 0
        self.statuses = {}
        self.latencies = []
        self.unexpected = {}  # kind of fault -> [count, first text]
        self.unexpected_count = 0
        self.invoices = 0
        self.released = set()  # (interface, handle) the clients released
        self.abandoned = {}  # (interface, handle) -> time of the last call of its invoice

    def reply(self, status, seconds):
        with self.lock:
            self.requests += 1
            self.statuses[status] = self.statuses.get(status, 0) + 1
            self.latencies.append(seconds)

    def fault(self, text):
        kind = re.sub(r"\?.*?:|\d+", "", text)[:60]
        with self.lock:
            self.unexpected_count += 1
            self.unexpected.setdefault(kind, [0, text])[0] += 1


class Client:
    """One client on one keep-alive connection, reopened when it fails."""

    def __init__(self, port, stats):
        self.port = port
        self.stats = stats
        self.connection = None

    def send(self, method, target, body=None, headers=None, expect=(200,)):
        for attempt in range(2):
            if self.connection is None:
                self.connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=60)
            start = time.monotonic()
            try:
                self.connection.request(method, target, body=body, headers=headers or {})
                response = self.connection.getresponse()
                data = response.read()
            except (OSError, http.client.HTTPException) as error:
                self.connection.close()
                self.connection = None
                # A kept-alive connection the server closed meanwhile: once more.
                if attempt == 0 and isinstance(error, (http.client.RemoteDisconnected,
                                                       BrokenPipeError, ConnectionResetError)):
                    continue
                self.stats.reply(0, time.monotonic() - start)
                raise Unexpected(f"{method} {target}: no reply ({error})")
            self.stats.reply(response.status, time.monotonic() - start)
            if response.getheader("Connection", "").lower() == "close":
                self.connection.close()
                self.connection = None
            if response.status not in expect:
                raise Unexpected(f"{method} {target}: {response.status} {data[:300]!r}")
            return response.status, data
        raise AssertionError("unreachable")

    def json(self, method, target, args=None, expect=(200,)):
        body = None if args is None else json.dumps(args)
        headers = {} if args is None else {"Content-Type": "application/json"}
        status, data = self.send(method, target, body, headers, expect)
        if status == 204:
            return None
        try:
            reply = json.loads(data)
        except ValueError:
            raise Unexpected(f"{method} {target}: not JSON: {data[:200]!r}")
        if not isinstance(reply, dict):
            raise Unexpected(f"{method} {target}: not an object: {data[:200]!r}")
        return reply

    def create(self, interface, method, query, key):
        reply = self.json("GET", f"{ROOT}/{interface}/{method}?{query}")
        handle = reply.get(key)
        if not isinstance(handle, int) or handle <= 0:
            raise Unexpected(f"{method}: no handle in {reply}")
        return handle

    def call(self, interface, method, handle, args, expect=(200,)):
        args = dict(args)
        args["p" + interface] = handle
        reply = self.json("POST", f"{ROOT}/{interface}/{method}", args, expect)
        if reply is not None and reply.get("pbStatus") is not True:
            raise Unexpected(f"{interface}/{method}: {reply}")
        return reply


def person(client, request, family, given, phone, objects):
    address = client.create("IGeneralInvoiceRequest", "GetCreateAddress",
                            f"pIGeneralInvoiceRequest={request}", "pIAddress")
    objects.add(("IAddress", address))
    client.call("IAddress", "SetPerson", address, {
        "bstrFamilyname": family, "bstrGivenname": given, "bstrSalutation": "Frau",
        "bstrTitle": "", "bstrSubaddressing": ""})
    client.call("IAddress", "SetPostal", address, {
        "bstrStreet": "Bahnhofstrasse 1", "bstrPoBox": "", "bstrZip": "8000",
        "bstrCity": "Zürich", "bstrStateCode": "", "bstrCountryCode": "CH"})
    if phone:
        client.call("IAddress", "AddPhone", address, {
            "bstrNumber": phone, "bstrLocalCode": "", "bstrInternationalCode": "", "bstrExt": ""})
    return address


def article(code, text, quantity, unit, amount, vat):
    return {"bstrTariffType": "999", "bstrCode": code, "bstrReferenceCode": "",
            "dQuantity": quantity, "lSessionNumber": 1, "dDateBegin": "2020-06-03",
            "dDateEnd": 0, "bstrProviderEAN": BILLER_GLN, "bstrResponsibleEAN": BILLER_GLN,
            "bstrText": text, "dUnit": unit, "dUnitFactor": 1.0, "dExternalFactor": 1.0,
            "dAmount": amount, "dVatRate": vat, "eIsObligatory": 0, "bstrRemark": "",
            "bstrSectionCode": "", "eIgnoreValidate": 0, "lServiceAttributes": 0}


def build_invoice(client, manager, objects):
    """The sample invoice on a new request of `manager`; returns the request."""
    request = client.create("ITarvos", "GetGeneralInvoiceRequest", f"pITarvos={manager}",
                            "pIGeneralInvoiceRequest")
    objects.add(("IGeneralInvoiceRequest", request))
    req = "IGeneralInvoiceRequest"

    def set(method, args):
        client.call(req, method, request, args)

    set("Initialize", {"eDataLanguage": 1})
    set("SetRequest", {"eRoleType": 1, "ePlaceType": 1, "bstrRoleTitle": "", "eIsStorno": 0,
                       "eIsCopy": 0, "bstrRemark": ""})
    set("SetProcessing", {"ePrintAtIntermediate": 0, "ePrintGuarantorCopy": 0, "bstrTCToken": ""})
    set("SetTransport", {"bstrFromEAN": BILLER_GLN, "bstrFromPFXFile": "",
                         "bstrFromPFXPassword": "", "bstrViaEAN": RECIPIENT_GLN,
                         "bstrToEAN": RECIPIENT_GLN, "bstrToBinDERFile": ""})
    set("SetPackage", {"bstrSoftwarePackage": "Soak", "lSoftwareVersion": 380,
                       "lSoftwareID": 0, "bstrSoftwareCopyright": ""})
    set("SetInvoice", {"bstrRequestInvoiceID": "000001000001",
                       "dRequestInvoiceDate": "2020-06-03T00:00:00",
                       "lRequestInvoiceTimestamp": 1591170775})
    set("SetTiers", {"eTiersMode": 1, "bstrVatNumber": "", "dAmountPrepaid": 0.0})
    mandant = person(client, request, "Muster", "Anna", "", objects)
    patient = person(client, request, "Spitzkiel", "Beatrice", "555-555 55 55", objects)
    bank = client.create(req, "GetCreateAddress", f"pIGeneralInvoiceRequest={request}",
                         "pIAddress")
    objects.add(("IAddress", bank))
    client.call("IAddress", "SetCompany", bank, {
        "bstrCompanyName": "Test Bank", "bstrDepartment": "", "bstrSubaddressing": ""})
    client.call("IAddress", "SetPostal", bank, {
        "bstrStreet": "Bankweg 1", "bstrPoBox": "", "bstrZip": "2501", "bstrCity": "Biel",
        "bstrStateCode": "", "bstrCountryCode": "CH"})
    party = {"bstrEAN": BILLER_GLN, "bstrZSR": "C000002", "bstrNIF": "",
             "bstrSpecialty": "Allgemein", "pIAddress": mandant}
    set("SetBiller", party)
    set("SetDebitor", {"bstrEAN": RECIPIENT_GLN, "pIAddress": patient})
    set("SetProvider", party)
    set("SetPatient", {"eSexType": 2, "dBirthdate": "1957-04-14", "bstrSSN": PATIENT_SSN,
                       "pIAddress": patient})
    set("SetGuarantor", {"pIAddress": patient})
    set("SetEsrQR", {"eEsrType": 4, "bstrIBAN": QR_IBAN, "bstrReferenceNumber": QR_REFERENCE,
                     "bstrCustomerNote": "", "pIBankAddress": bank,
                     "pICreditorAddress": mandant, "lPaymentPeriod": 30})
    set("SetLaw", {"eLawType": 4, "dCaseDate": 0, "bstrCaseID": "123456",
                   "bstrInsuredID": "123456"})
    set("SetTreatment", {"bstrAPID": "", "bstrACID": "", "dDateBegin": 43985,
                         "dDateEnd": 43985, "eTreatmentCanton": 1, "eTreatmentType": 1,
                         "eTreatmentReason": 1, "dGestationWeek13": 0})
    set("AddDiagnosis", {"eDiagnosisType": 4, "bstrCode": "A1", "bstrText": ""})

    services = client.create(req, "GetCreateServiceExInput",
                             f"pIGeneralInvoiceRequest={request}&bstrTariffType=001",
                             "pIServiceExInput")
    objects.add(("IServiceExInput", services))
    client.call("IServiceExInput", "SetPhysician", services, {
        "eMedicalRole": 1, "eBillingRole": 3, "bstrEanNumberProvider": BILLER_GLN,
        "bstrEanNumberResponsible": BILLER_GLN})
    set("AddServiceEx", {
        "pIServiceExInput": services, "bstrTariffType": "001", "bstrCode": "00.0010",
        "bstrReferenceCode": "", "dQuantity": 1.0, "lSessionNumber": 1,
        "dDateBegin": "2020-06-03", "dDateEnd": 0, "eSide": 1, "bstrText": "Konsultation",
        "dUnitMT": 9.57, "dUnitFactorMT": 1.0, "dUnitInternalScalingFactorMT": 1.0,
        "dAmountMT": 9.57, "dUnitTT": 8.19, "dUnitFactorTT": 1.0,
        "dUnitInternalScalingFactorTT": 1.0, "dAmountTT": 8.19, "dAmount": 17.76,
        "dVatRate": 0.0, "eIsObligatory": 1, "bstrRemark": "", "lGroupSize": 1,
        "bstrSectionCode": "", "eIgnoreValidate": 0, "lServiceAttributes": 0})
    set("AddService", article("GA", "Gutachten A", 1.0, 2700.0, 2700.0, 7.7))
    set("AddService", article("GB", "Gutachten B", 1.0, 2500.0, 2500.0, 2.5))
    set("AddService", article("123456789", "Artikel", 1.0, 10.15, 10.15, 0.0))
    set("AddService", article("1234567890", "Artikel halb", 0.5, 10.15, 5.08, 0.0))
    set("Finalize", {})
    return request


def download(client, link, magic):
    if not isinstance(link, str) or not link.startswith(ROOT + "/files/"):
        raise Unexpected(f"no download link: {link!r}")
    _, data = client.send("GET", ROOT + link)
    if not data.startswith(magic):
        raise Unexpected(f"download {link}: {data[:40]!r}")
    return data


def result_handle(reply, objects, key="pIGeneralInvoiceResult", interface="IGeneralInvoiceResult"):
    handle = reply.get(key)
    if not isinstance(handle, int) or handle <= 0:
        raise Unexpected(f"no {key} in {reply}")
    objects.add((interface, handle))
    return handle


def read_result(client, result):
    balance = client.call("IGeneralInvoiceResult", "GetBalance", result, {})
    client.call("IGeneralInvoiceResult", "GetInvoice", result, {})
    count = 0
    method = "GetFirstService"
    while count < 20:
        if client.call("IGeneralInvoiceResult", method, result, {}, expect=(200, 204)) is None:
            break
        count += 1
        method = "GetNextService"
    if count != 4:
        raise Unexpected(f"the loaded invoice has {count} services, not 4")
    return balance.get("pdAmount")


def invoice(client, abandon, stats):
    """One whole invoice; its objects released unless `abandon`."""
    objects = set()
    manager = client.create("ITarvos", "GetCreateTarvos", "", "pITarvos")
    objects.add(("ITarvos", manager))
    try:
        request = build_invoice(client, manager, objects)
        output = {"lGenerationAttributes": 0, "plTimestamp": 0}
        written = client.call("ITarvos", "GetXML", manager, output)
        result_handle(written, objects)
        xml = download(client, written.get("pbstrOutputFile"), b"<?xml")
        printed = client.call("ITarvos", "Print", manager, dict(
            output, bstrPrintTemplate="Reclaim(Copy=0)", eAddressRight=1, eSortTimeTariff=0,
            bstrSenderID=""))
        result_handle(printed, objects)
        download(client, printed.get("pbstrPDFFile"), b"%PDF")
        _, data = client.send(
            "POST", f"{ROOT}/ITarvos/LoadXML?pITarvos={manager}&bstrInputFile=invoice.xml",
            xml, {"Content-Type": "application/octet-stream"})
        loaded = json.loads(data)
        if loaded.get("pbStatus") is not True:
            raise Unexpected(f"LoadXML: {loaded}")
        result_handle(loaded, objects, "pIGeneralInvoiceRequest", "IGeneralInvoiceRequest")
        amount = read_result(client, result_handle(loaded, objects))
        expected = client.call("IGeneralInvoiceResult", "GetBalance",
                               written["pIGeneralInvoiceResult"], {}).get("pdAmount")
        if amount != expected:
            raise Unexpected(f"loaded amount {amount}, written {expected}")
        client.json("GET", f"{ROOT}/ITarvos/GetModus?pITarvos={manager}")
        objects.add(("IServiceExInput", client.create(
            "IGeneralInvoiceRequest", "GetCreateServiceExInput",
            f"pIGeneralInvoiceRequest={request}&bstrTariffType=001", "pIServiceExInput")))
    finally:
        if abandon:
            with stats.lock:
                stats.abandoned.update((o, time.monotonic()) for o in objects)
        else:
            release(client, manager, objects)
            with stats.lock:
                stats.released |= objects
    with stats.lock:
        stats.invoices += 1


def release(client, manager, objects):
    """PutDestructTarvos releases the manager's group; the service inputs
    live in a group of the request that made them and go one by one."""
    put = {"Content-Type": "application/json"}
    for interface, handle in sorted(objects):
        if interface == "IServiceExInput":
            client.send("PUT", f"{ROOT}/IServiceExInput/PutDestructServiceExInput",
                        json.dumps({"pIServiceExInput": handle}), put)
    client.send("PUT", f"{ROOT}/ITarvos/PutDestructTarvos", json.dumps({"pITarvos": manager}),
                put)


def run_client(index, port, stats, start, deadline, abandon_until):
    client = Client(port, stats)
    abandoner = index % 8 == 7
    while time.monotonic() < deadline:
        abandon = abandoner and time.monotonic() - start < abandon_until
        try:
            invoice(client, abandon, stats)
        except Unexpected as error:
            stats.fault(str(error))
        except Exception as error:  # a fault of this program: report it as such
            stats.fault(f"client error: {error!r}")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def sample(pid):
    """(RSS in KB, open descriptors) of `pid`, or None when it is gone."""
    try:
        with open(f"/proc/{pid}/status") as status:
            rss = int(re.search(r"VmRSS:\s+(\d+)", status.read()).group(1))
        return rss, len(os.listdir(f"/proc/{pid}/fd"))
    except (OSError, AttributeError):
        return None


def trend(values, tolerance):
    """(rise of the least-squares line over the window, rise of the median of
    the last quarter over that of the first, flat)."""
    n = len(values)
    if n < 8:
        return 0.0, 0.0, True
    xs = range(n)
    mean_x, mean_y = (n - 1) / 2, statistics.fmean(values)
    slope = sum((x - mean_x) * (y - mean_y) for x, y in zip(xs, values)) / sum(
        (x - mean_x) ** 2 for x in xs)
    rise = slope * (n - 1)
    quarter = n // 4
    step = statistics.median(values[-quarter:]) - statistics.median(values[:quarter])
    return rise, step, rise <= tolerance and step <= tolerance


def releases(log):
    """(interface, handle) -> locations of its "COMInstanceDel" lines, a
    sweep's release written as "sweep" during the run and "stop" at stop."""
    found = {}
    mode = ""
    for line in log.splitlines():
        if "COMInstanceDel" not in line and "RunSanityChecks" not in line:
            continue
        started = re.search(r"Start of CEndpointHandler::RunSanityChecks\((\w+)\)", line)
        if started:
            mode = "sweep" if started.group(1) == "doCheck" else "stop"
            continue
        deleted = re.search(r"COMInstanceDel: interface=\[(\w+)\] address=\[(-?\d+)\] "
                            r"location=\[(\w+)\]", line)
        if deleted:
            location = deleted.group(3)
            if location == "sanity":
                location = mode
            key = (deleted.group(1), int(deleted.group(2)))
            found.setdefault(key, []).append(location)
    return found


def missing_releases(stats, log, end):
    """Prints how the objects went; returns the number of faults."""
    found = releases(log)
    requests = {h for i, h in stats.released | set(stats.abandoned) if i == "IGeneralInvoiceRequest"}
    # A request's service inputs live in a group keyed by the request's
    # handle, which the sweep releases as an "ITarvos" of that handle.
    groups = [k for k in found if k[0] == "ITarvos" and k[1] in requests]
    faults = []
    counts = {}

    def expect(key, allowed, what):
        locations = found.pop(key, [])
        counts[what] = counts.get(what, 0) + 1
        if len(locations) != 1 or locations[0] not in allowed:
            faults.append(f"{key[0]} {key[1]} ({what}): released as {locations or 'never'}")

    for key in stats.released:
        expect(key, ("destruct",), "released by its client")
    due = end - 1.5 * LIMIT - 5
    for key, last_use in stats.abandoned.items():
        if last_use < due:
            expect(key, ("sweep",), "abandoned, due for a sweep")
        else:
            expect(key, ("sweep", "stop"), "abandoned late")
    for key in groups:
        expect(key, ("sweep", "stop"), "group of a request's service inputs")
    for key, locations in found.items():
        faults.append(f"{key[0]} {key[1]}: no client made it, released as {locations}")
    print(f"objects: {sum(counts.values())} " + ", ".join(f"{n} {w}" for w, n in counts.items()))
    for fault in faults[:10]:
        print("          " + fault)
    return len(faults)


def read_log(folder):
    """The module log with its archived parts, oldest first."""
    parts = []
    archive = os.path.join(folder, "archive")
    for root, _, files in sorted(os.walk(archive)):
        parts += sorted(os.path.join(root, name) for name in files)
    parts.append(os.path.join(folder, "TarvosServer450.log.txt"))
    chunks = []
    for part in parts:
        if os.path.exists(part):
            with open(part, "rb") as f:
                chunks.append(f.read())
    text = b"".join(chunks)
    return text.decode("utf-8", "replace"), text


def plant_files(work):
    """Files of two days ago (to be deleted) and of 23 hours (to stay)."""
    os.makedirs(work, mode=0o700, exist_ok=True)
    old, young = [], []
    now = time.time()
    for i in range(10):
        for names, age in ((old, 2 * 86400), (young, 23 * 3600)):
            if age == 23 * 3600 and i >= 5:
                continue
            path = os.path.join(work, f"planted-{age}-{i}.xml")
            with open(path, "w") as f:
                f.write("<planted/>")
            os.chmod(path, 0o600)
            os.utime(path, (now - age, now - age))
            names.append(path)
    return old, young


def main():
    bin_dir = sys.argv[1]
    minutes = float(sys.argv[2]) if len(sys.argv) > 2 else 10
    clients = int(sys.argv[3]) if len(sys.argv) > 3 else 64
    duration = minutes * 60
    abandon_until = max(duration - 1.5 * LIMIT - 30, duration / 3)
    warmup = min(max(60.0, abandon_until + 30), duration * 2 / 3)

    folder = tempfile.mkdtemp(prefix="tarvos-soak-") + "/"
    for name in os.listdir(bin_dir):
        path = os.path.join(bin_dir, name)
        if os.path.isfile(path):
            shutil.copy2(path, folder)
    port = free_port()
    with open(folder + "TarvosServer450.ini", "w") as ini:
        ini.write(f"[Settings]\nisInstalled=1\n"
                  f"Endpoint=http://localhost:{port}/tarvosServer450\n"
                  f"Interface_Max_Inactivity_Sec={LIMIT}\nlogLevel=1\nUnitDir={folder}units\n"
                  f"\n[PARAMS]\nTMPDIR_CSIDL={folder}\n")
    work = folder + "tolvan/Halvo450Rest/"
    old, young = plant_files(work)

    env = dict(os.environ, INVOCATION_ID="soak")  # runs as under systemd: with sweeps
    output = open(folder + "output.txt", "wb")
    server = subprocess.Popen([folder + "tarvosserver450"], cwd=folder, env=env, stdout=output,
                              stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                              start_new_session=True)
    for _ in range(200):
        try:
            socket.create_connection(("127.0.0.1", port), timeout=1).close()
            break
        except OSError:
            if server.poll() is not None:
                sys.exit(f"the service ended at once, see {folder}output.txt")
            time.sleep(0.05)

    stats = Stats()
    samples = []  # (seconds since start, RSS KB, descriptors)
    start = time.monotonic()
    deadline = start + duration
    sampling = threading.Event()

    def sampler():
        while not sampling.wait(1.0):
            value = sample(server.pid)
            if value:
                samples.append((time.monotonic() - start,) + value)

    threads = [threading.Thread(target=sampler)]
    threads += [threading.Thread(target=run_client,
                                 args=(i, port, stats, start, deadline, abandon_until))
                for i in range(clients)]
    for thread in threads:
        thread.start()
    print(f"soak: {clients} clients for {minutes:g} min on port {port}, folder {folder}",
          flush=True)
    for thread in threads[1:]:
        thread.join()
    end = time.monotonic()
    sampling.set()
    threads[0].join()
    entries = len(os.listdir(work))
    server.send_signal(signal.SIGTERM)
    try:
        exit_code = server.wait(timeout=60)
    except subprocess.TimeoutExpired:
        server.kill()
        exit_code = "killed after 60 s"

    failures = []

    def check(ok, text):
        print(("  ok    " if ok else "  FAIL  ") + text)
        if not ok:
            failures.append(text)

    lat = sorted(stats.latencies) or [0]
    print(f"\nrequests {stats.requests} in {end - start:.0f} s "
          f"({stats.requests / max(end - start, 1):.0f}/s), invoices {stats.invoices}, "
          f"statuses {dict(sorted(stats.statuses.items()))}")
    print(f"latency median {1000 * lat[len(lat) // 2]:.0f} ms, "
          f"99% {1000 * lat[int(len(lat) * 0.99)]:.0f} ms, max {1000 * lat[-1]:.0f} ms")
    print("checks:")
    server_errors = sum(n for status, n in stats.statuses.items() if status >= 500)
    check(server_errors == 0, f"no 5xx replies ({server_errors})")
    check(stats.unexpected_count == 0,
          f"no unexpected or missing reply ({stats.unexpected_count})")
    for count, text in sorted(stats.unexpected.values(), reverse=True)[:10]:
        print(f"          {count} x {text[:300]}")

    log, raw = read_log(folder)
    check(not missing_releases(stats, log, end), "every object released exactly once")

    window = [s for s in samples if s[0] >= warmup]
    for name, column, unit, tolerance in (("RSS", 1, "MB", lambda v: max(4096, 0.05 * v)),
                                          ("descriptors", 2, "", lambda v: max(8, 0.10 * v))):
        values = [s[column] for s in window]
        scale = 1024 if unit else 1
        if not values:
            check(False, f"{name}: no samples after the warm-up of {warmup:.0f} s")
            continue
        allowed = tolerance(statistics.median(values))
        rise, step, flat = trend(values, allowed)
        first = samples[0][column] / scale
        check(flat, f"{name} flat after {warmup:.0f} s of warm-up: start {first:.1f}{unit}, "
              f"warm {values[0] / scale:.1f}{unit}, end {values[-1] / scale:.1f}{unit}, "
              f"max {max(s[column] for s in samples) / scale:.1f}{unit}; "
              f"trend line +{rise / scale:.1f}{unit}, last quarter "
              f"{step / scale:+.1f}{unit} (allowed {allowed / scale:.1f}{unit})")

    old_left = [p for p in old if os.path.exists(p)]
    young_left = [p for p in young if os.path.exists(p)]
    check(len(young_left) == len(young),
          f"files younger than a day kept ({len(young_left)} of {len(young)})")
    # The folder only grows: when it ends with 200 entries or fewer, every
    # sweep saw all of them.
    sweeps = len(re.findall(r"RunSanityChecks\(doCheck\) = \(", log))
    check(not old_left or entries > 200 or sweeps == 0,
          f"day-old files deleted by {sweeps} sweeps: {len(old) - len(old_left)} of {len(old)} "
          f"(the folder holds {entries} entries at the end"
          + (", a sweep looks at 200)" if old_left and entries > 200 else ")"))
    check(raw.endswith(b"\n"), "the module log ends with a whole line")
    check(exit_code == 0, f"the service stopped with exit code {exit_code}")
    if not failures:
        shutil.rmtree(folder, ignore_errors=True)
    print(f"\nsoak: {'FAILED' if failures else 'passed'} "
          f"({len(failures)} failed checks){'' if not failures else ', folder kept: ' + folder}")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
