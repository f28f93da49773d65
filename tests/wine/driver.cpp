// Drives a module through minihost and prints what it saw as plain text. The
// same source is built for Linux and, with mingw-w64, for Windows, so the two
// reports of the two modules can be compared line by line (the Windows one
// under Wine).
//
//   morvel-driver report MODULE    resource, registration, global setup,
//                                  parameter setup and a UI update
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <sstream>
#include <string>

#include "minihost/Error.h"
#include "minihost/ParamText.h"
#include "minihost/Pipl.h"
#include "minihost/Registration.h"
#include "minihost/Session.h"

namespace {

std::string Hex32(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(v));
    return buf;
}

std::string HexBytes(const std::vector<uint8_t>& bytes) {
    std::string s;
    char buf[4];
    for (uint8_t b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X", b);
        s += buf;
    }
    return s;
}

std::string Quoted(const std::optional<std::string>& s) { return s ? "\"" + *s + "\"" : "null"; }

void ReportResource(std::ostream& out, const std::string& module) {
    const std::vector<uint8_t> bytes = minihost::ReadPiplBytes(module);
    out << "resource size=" << bytes.size() << "\n";
    for (std::size_t i = 0; i < bytes.size(); i += 16) {
        char offset[16];
        std::snprintf(offset, sizeof offset, "  %04zX ", i);
        out << offset
            << HexBytes(std::vector<uint8_t>(bytes.begin() + i, bytes.begin() + std::min(bytes.size(), i + 16))) << "\n";
    }
    const minihost::Pipl p = minihost::ParsePipl(bytes, module);
    out << "resource word=" << p.word << " version=" << p.version << " count=" << p.count
        << " trailing=" << p.trailing << "\n";
    for (std::size_t i = 0; i < p.properties.size(); ++i) {
        const minihost::PiplProperty& q = p.properties[i];
        out << "  property " << i + 1 << " vendor=" << q.vendor << " key=" << q.key << " id=" << q.id
            << " length=" << q.length << " data=" << HexBytes(q.data) << " padding=" << HexBytes(q.padding) << "\n";
    }
}

void ReportRegistration(std::ostream& out, const minihost::Module& module) {
    for (A_Err answer : {A_Err(0), A_Err(PF_Err_INTERNAL_STRUCT_DAMAGED)}) {
        minihost::RegistrationOptions options;
        options.callback_result = answer;
        const minihost::RegistrationResult r = minihost::Register(module, options);
        out << "registration answer=" << answer << " returned=" << r.returned << " calls=" << r.calls.size() << "\n";
        for (const minihost::RegistrationCall& c : r.calls)
            out << "  call context=" << (c.context == r.context_given ? "passed-through" : "other")
                << " name=" << Quoted(c.name) << " match=" << Quoted(c.match_name) << " category=" << Quoted(c.category)
                << " entry=" << Quoted(c.entry_point) << " kind=" << Hex32(uint32_t(c.kind)) << " api=" << c.api_major
                << "." << c.api_minor << " reserved=" << c.reserved_info << " url=" << Quoted(c.support_url) << "\n";
    }
}

void ReportSuites(std::ostream& out, minihost::Session& s) {
    for (const minihost::SuiteEvent& e : s.suites().Events())
        out << "  suite " << (e.kind == minihost::SuiteEvent::Kind::Acquire ? "acquire" : "release") << " \""
            << e.name << "\" " << e.version << " result=" << e.result << "\n";
    const auto outstanding = s.suites().Outstanding();
    out << "  suites outstanding=" << outstanding.size() << "\n";
    s.suites().ClearEvents();
}

void ReportOutcome(std::ostream& out, const char* what, const minihost::Outcome& o) {
    out << what << " err=" << o.err << " my_version=" << Hex32(o.out.my_version)
        << " out_flags=" << Hex32(uint32_t(o.out.out_flags)) << " out_flags2=" << Hex32(uint32_t(o.out.out_flags2))
        << " num_params=" << o.out.num_params << " message=\"" << o.Message() << "\"\n";
}

int Report(const std::string& module_path) {
    std::ostringstream out;
    ReportResource(out, module_path);

    minihost::Session s(module_path);
    ReportRegistration(out, s.module());
    out << "nv_optimus_enablement=" << *s.module().nv_optimus_enablement() << "\n";

    ReportOutcome(out, "global-setup", s.GlobalSetup());
    for (const minihost::AegpRegistration& r : s.AegpRegistrations())
        out << "  aegp-register name=" << Quoted(r.name) << " refcon=" << (r.refcon ? "set" : "null")
            << " id-pointer=" << (r.id_pointer_given ? "yes" : "no") << " result=" << r.result << "\n";
    ReportSuites(out, s);

    const minihost::Outcome setup = s.ParamsSetup();
    ReportOutcome(out, "params-setup", setup);
    const auto adds = s.params().AddCalls();
    out << "  add-calls=" << adds.size() << "\n";
    for (std::size_t i = 0; i < adds.size(); ++i)
        out << "  add " << i + 1 << " index=" << adds[i].index << " result=" << adds[i].result << " "
            << minihost::ParamDetailText(adds[i].def) << "\n";
    for (int i = 1; i < s.params().Count(); ++i)
        out << "  param " << i << " \"" << s.params().QualifiedName(i) << "\"\n";

    const minihost::Outcome ui = s.UpdateParamsUI();
    ReportOutcome(out, "update-params-ui", ui);
    for (const minihost::UiUpdateRecord& u : s.params().UiUpdates())
        out << "  ui-update index=" << u.index << " ui_flags=" << Hex32(uint32_t(u.ui_flags))
            << " flags=" << Hex32(uint32_t(u.flags)) << " result=" << u.result << "\n";
    out << "  checkouts=" << s.params().Checkouts().size() << " outstanding=" << s.params().OutstandingCheckouts()
        << "\n";
    ReportSuites(out, s);

    for (const std::string& f : s.UnimplementedCalls()) out << "unimplemented-call " << f << "\n";
    std::cout << out.str();
    return 0;
}

int Usage() {
    std::cerr << "usage: morvel-driver report MODULE\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string command = argv[1];
    try {
        if (command == "report" && argc == 3) return Report(argv[2]);
        return Usage();
    } catch (const std::exception& e) {
        std::cerr << "morvel-driver: " << e.what() << "\n";
        return 1;
    }
}
