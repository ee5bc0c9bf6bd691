#include "engine/TlsTrust.h"

namespace quilbex::engine {

std::string TlsTrust::normalise_host(std::string_view host) {
    std::string out(host);
    if (out.size() >= 2 && out.front() == '[' && out.back() == ']')
        out = out.substr(1, out.size() - 2);
    for (char& c : out)
        c = g_ascii_tolower(c);
    return out;
}

bool TlsTrust::allow_authority(std::string_view host, const char* ca_pem_path) {
    std::string key = normalise_host(host);
    if (key.empty() || !ca_pem_path || !*ca_pem_path)
        return false;
    GError* raw_error = nullptr;
    GList* list = g_tls_certificate_list_new_from_file(ca_pem_path, &raw_error);
    GUniqueError error(raw_error);
    if (!list)
        return false;
    std::vector<GRef<GTlsCertificate>> authorities;
    for (GList* item = list; item; item = item->next)
        authorities.push_back(GRef<GTlsCertificate>::adopt(G_TLS_CERTIFICATE(item->data)));
    g_list_free(list);
    auto& slot = m_authorities[key];
    for (auto& authority : authorities)
        slot.push_back(std::move(authority));
    return true;
}

bool TlsTrust::has_host(std::string_view host) const { return m_authorities.count(normalise_host(host)) != 0; }

bool TlsTrust::accepts(std::string_view host, GTlsCertificate* certificate) const {
    if (!certificate)
        return false;
    std::string key = normalise_host(host);
    auto found = m_authorities.find(key);
    if (found == m_authorities.end())
        return false;
    // The port plays no part in the name check.
    GRef<GSocketConnectable> identity = GRef<GSocketConnectable>::adopt(g_network_address_new(key.c_str(), 443));
    for (const auto& authority : found->second) {
        GTlsCertificateFlags flags = g_tls_certificate_verify(certificate, identity.get(), authority.get());
        if (flags == 0)
            return true;
    }
    return false;
}

}  // namespace quilbex::engine
