#include "platform/Auth.h"

#include "platform/AuthSession.h"

#include <crypt.h>
#include <security/pam_appl.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

char serviceName[64] = "login";

const char* AuthFile() {
  const char* f = getenv("QX_AUTH_FILE");
  return f && *f ? f : nullptr;
}

void Wipe(void* p, size_t n) {
  volatile unsigned char* b = static_cast<volatile unsigned char*>(p);
  for (size_t i = 0; i < n; ++i) b[i] = 0;
}

// PAM asks for the password through this: every echo-off prompt gets the
// one password (PAM wipes and frees its copies); echo-on prompts (a user
// name) get the user; messages are dropped.
struct Conversation {
  const char* user;
  const char* password;
};

int Converse(int count, const pam_message** messages, pam_response** responses, void* closure) {
  if (count <= 0 || count > PAM_MAX_NUM_MSG) return PAM_CONV_ERR;
  auto* c = static_cast<Conversation*>(closure);
  auto* out = static_cast<pam_response*>(calloc(static_cast<size_t>(count), sizeof(pam_response)));
  if (!out) return PAM_BUF_ERR;
  for (int i = 0; i < count; ++i) {
    const char* answer = nullptr;
    switch (messages[i]->msg_style) {
      case PAM_PROMPT_ECHO_OFF:
        answer = c->password;
        break;
      case PAM_PROMPT_ECHO_ON:
        answer = c->user;
        break;
      default:
        break;
    }
    if (answer && !(out[i].resp = strdup(answer))) {
      for (int j = 0; j < i; ++j)
        if (out[j].resp) {
          Wipe(out[j].resp, strlen(out[j].resp));
          free(out[j].resp);
        }
      free(out);
      return PAM_BUF_ERR;
    }
  }
  *responses = out;
  return PAM_SUCCESS;
}

int PamCheck(const char* user, const char* password) {
  Conversation c = {user, password};
  const pam_conv conv = {Converse, &c};
  pam_handle_t* pam = nullptr;
  int r = pam_start(serviceName, user, &conv, &pam);
  if (r != PAM_SUCCESS) return AuthNoFile;
  r = pam_authenticate(pam, PAM_SILENT | PAM_DISALLOW_NULL_AUTHTOK);
  if (r == PAM_SUCCESS) r = pam_acct_mgmt(pam, PAM_SILENT | PAM_DISALLOW_NULL_AUTHTOK);
  pam_end(pam, r);
  return r == PAM_SUCCESS ? AuthOk : AuthRejected;
}

bool SameBytes(const char* a, const char* b) {
  const size_t n = strlen(a);
  if (n != strlen(b)) return false;
  unsigned char diff = 0;
  for (size_t i = 0; i < n; ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
  return diff == 0;
}

int Check(const char* user, const char* password, bool allowRoot) {
  if (!user || !*user || !password || strlen(user) >= sizeof(AuthLoginInfo::user) ||
      strchr(user, ':'))
    return AuthBadArgument;
  if (!allowRoot && strcmp(user, "root") == 0) return AuthRejected;
  if (!AuthFile()) return PamCheck(user, password);
  FILE* f = fopen(AuthFile(), "r");
  if (!f) return AuthNoFile;
  struct stat st;
  if (fstat(fileno(f), &st) != 0 || (st.st_mode & 022)) {
    // A file that others may change proves nothing.
    fclose(f);
    return AuthNoFile;
  }
  char line[1024];
  std::string hash;
  const size_t ulen = strlen(user);
  while (fgets(line, sizeof line, f)) {
    line[strcspn(line, "\r\n")] = 0;
    if (strncmp(line, user, ulen) == 0 && line[ulen] == ':') {
      hash = line + ulen + 1;
      break;
    }
  }
  fclose(f);
  if (hash.empty() || hash[0] == '!' || hash[0] == '*') return AuthRejected;
  crypt_data data;
  memset(&data, 0, sizeof data);
  const char* made = crypt_r(password, hash.c_str(), &data);
  const bool ok = made && made[0] != '*' && SameBytes(made, hash.c_str());
  memset(&data, 0, sizeof data);
  return ok ? AuthOk : AuthRejected;
}

void Fill(AuthLoginInfo* info, const char* user, const char* server) {
  if (!info) return;
  memset(info, 0, sizeof *info);
  snprintf(info->user, sizeof info->user, "%s", user);
  if (server) snprintf(info->server, sizeof info->server, "%s", server);
}

}  // namespace

void AuthSetServiceName(const char* service) {
  snprintf(serviceName, sizeof serviceName, "%s", service && *service ? service : "login");
}

const char* AuthServiceName() { return serviceName; }

int AuthSimplePassword(const char* user, const char* password, AuthLoginInfo* info, int allowRoot,
                       int) {
  const int r = Check(user, password, allowRoot != 0);
  if (r == AuthOk) Fill(info, user, nullptr);
  return r;
}

int AuthAnyLogin(const char* server, const char* user, const char* password, AuthLoginInfo* info,
                 void** homeInfo, int, int, void** profile) {
  if (homeInfo) *homeInfo = nullptr;
  if (profile) *profile = nullptr;
  const int r = Check(user, password, false);
  if (r == AuthOk) Fill(info, user, server);
  return r;
}

int AuthSetLoginInfo(const AuthLoginInfo* info, int, int, void*, const char*, int, const char*, int,
                     int, int) {
  if (!info || !info->user[0]) return AuthBadArgument;
  // The session is the account's own: without one there is no log-in.
  if (int r = AuthOpenSession(info->user)) return r;
  setenv("USER", info->user, 1);
  setenv("LOGNAME", info->user, 1);
  return AuthOk;
}

int AuthACTLoginPresent(const char*) { return 0; }
int AuthACTLoginCheckPassword(const char*) { return AuthRejected; }
