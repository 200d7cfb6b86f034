#include <regex>
#include <set>

#include "support/harness/ServerFixture.h"

namespace orvendi::test {
namespace {

class WebPagesTest : public ServerFixture {
protected:
    httplib::Result fetch(const std::string& path) const { return client().Get(path.c_str()); }
};

// Every address an HTML document refers to in a src or href attribute.
std::vector<std::string> referencesIn(const std::string& html) {
    static const std::regex kAttribute(R"re(\b(?:src|href)\s*=\s*"([^"]*)")re");
    std::vector<std::string> found;
    for (auto it = std::sregex_iterator(html.begin(), html.end(), kAttribute);
         it != std::sregex_iterator(); ++it) {
        found.push_back((*it)[1]);
    }
    return found;
}

bool sameOrigin(const std::string& reference) {
    const bool fragment = reference.rfind('#', 0) == 0;
    const bool rootedPath = reference.rfind('/', 0) == 0 && reference.rfind("//", 0) != 0;
    return fragment || rootedPath;
}

TEST_F(WebPagesTest, PagesAndTheirFilesAreServedFromThisOriginOnly) {
    const std::set<std::string> pages = {"/app", "/settings"};
    std::set<std::string> files;
    for (const auto& page : pages) {
        const auto result = fetch(page);
        ASSERT_TRUE(result) << page;
        EXPECT_EQ(result->status, 200) << page;
        EXPECT_EQ(result->get_header_value("Content-Type"), "text/html; charset=utf-8") << page;
        const std::string policy = result->get_header_value("Content-Security-Policy");
        EXPECT_NE(policy.find("connect-src 'self'"), std::string::npos) << page;
        EXPECT_NE(policy.find("default-src 'none'"), std::string::npos) << page;

        const auto references = referencesIn(result->body);
        EXPECT_GE(references.size(), 4u) << page; // style sheet, two scripts, navigation
        for (const auto& reference : references) {
            EXPECT_TRUE(sameOrigin(reference)) << page << " refers to " << reference;
            if (reference.rfind("/web/", 0) == 0) {
                files.insert(reference);
            } else if (sameOrigin(reference) && reference[0] == '/') {
                EXPECT_TRUE(pages.count(reference)) << page << " links to " << reference;
            }
        }
    }

    const std::map<std::string, std::string> typeByExtension = {
        {"css", "text/css; charset=utf-8"}, {"js", "text/javascript; charset=utf-8"}};
    ASSERT_EQ(files.size(), 4u); // the style sheet, the session script and one per page
    static const std::regex kRemote(R"(https?://|url\(\s*['"]?//)", std::regex::icase);
    for (const auto& file : files) {
        const auto result = fetch(file);
        ASSERT_TRUE(result) << file;
        EXPECT_EQ(result->status, 200) << file;
        EXPECT_EQ(result->get_header_value("Content-Type"),
                  typeByExtension.at(file.substr(file.rfind('.') + 1)))
            << file;
        EXPECT_FALSE(result->body.empty()) << file;
        EXPECT_FALSE(std::regex_search(result->body, kRemote)) << file << " reaches elsewhere";
    }
}

TEST_F(WebPagesTest, TheRootLeadsToTheHistoryAndOnlyTheWorkspaceFilesAreServed) {
    const auto root = fetch("/");
    ASSERT_TRUE(root);
    EXPECT_EQ(root->status, 302);
    EXPECT_EQ(root->get_header_value("Location"), "/app");
    for (const std::string path :
         {"/web/missing.js", "/web/app.html", "/web/../CMakeLists.txt", "/web/%2e%2e/main.cpp",
          "/web/", "/web/workspace.css.map", "/app/extra"}) {
        const auto result = fetch(path);
        ASSERT_TRUE(result) << path;
        EXPECT_EQ(result->status, 404) << path;
        EXPECT_FALSE(errorOf(result).empty()) << path;
    }
}

} // namespace
} // namespace orvendi::test
