'use strict';

// The workspace's session: handed over by the agent in session storage, or
// made here by e-mail code. Every API call carries its access token and, when
// the server no longer accepts that token, renews it once with the refresh
// token before giving up and asking the user to sign in.
const OrvendiSession = (() => {
  const storageKey = 'orvendi.native-session';
  let refreshing = null;
  let onSignedIn = null;

  function load() {
    try {
      const session = JSON.parse(sessionStorage.getItem(storageKey));
      if (session && typeof session.access_token === 'string' &&
          typeof session.refresh_token === 'string' && session.access_token) {
        return session;
      }
    } catch (error) {
      // Unreadable text counts as no session.
    }
    return null;
  }

  function save(answer) {
    sessionStorage.setItem(storageKey, JSON.stringify({
      access_token: answer.accessToken,
      refresh_token: answer.refreshToken,
    }));
  }

  function showMessage(text) {
    const message = document.getElementById('message');
    message.textContent = text || '';
    message.hidden = !text;
  }

  async function errorText(response) {
    try {
      const body = await response.json();
      if (body && typeof body.error === 'string') {
        return body.error;
      }
    } catch (error) {
      // Not JSON: the status says enough.
    }
    return 'The server answered ' + response.status;
  }

  async function post(path, body) {
    const response = await fetch(path, {
      method: 'POST',
      headers: {'Content-Type': 'application/json'},
      body: JSON.stringify(body),
    });
    if (!response.ok) {
      const error = new Error(await errorText(response));
      error.status = response.status;
      throw error;
    }
    return response.json();
  }

  // One renewal at a time: calls that fail together wait for the same one.
  function refresh(session) {
    if (!refreshing) {
      refreshing = post('/api/native-auth/refresh', {refreshToken: session.refresh_token})
        .then(save)
        .finally(() => { refreshing = null; });
    }
    return refreshing;
  }

  function signedOut() {
    sessionStorage.removeItem(storageKey);
    showSignIn();
    showMessage('Your session has ended. Sign in to continue.');
    const error = new Error('Signed out');
    error.signedOut = true;
    throw error;
  }

  // Shows what went wrong, unless it was the end of the session, which the
  // sign-in form already says.
  function report(error) {
    if (!error.signedOut) {
      showMessage(error.message);
    }
  }

  function send(method, path, body, session) {
    const headers = {Authorization: 'Bearer ' + session.access_token};
    const options = {method, headers};
    if (body !== undefined) {
      headers['Content-Type'] = 'application/json';
      options.body = JSON.stringify(body);
    }
    return fetch(path, options);
  }

  // The JSON answer of an API call (null for an empty one); throws with the
  // server's message when it fails.
  async function api(method, path, body) {
    let session = load();
    if (!session) {
      signedOut();
    }
    let response = await send(method, path, body, session);
    if (response.status === 401) {
      try {
        await refresh(session);
      } catch (error) {
        signedOut();
      }
      session = load();
      response = await send(method, path, body, session);
      if (response.status === 401) {
        signedOut();
      }
    }
    if (!response.ok) {
      throw new Error(await errorText(response));
    }
    return response.status === 204 ? null : response.json();
  }

  function showSignIn() {
    document.getElementById('main').hidden = true;
    document.getElementById('sign-in').hidden = false;
    document.getElementById('email-form').hidden = false;
    document.getElementById('code-form').hidden = true;
    document.getElementById('email').focus();
  }

  function wireSignIn() {
    const emailForm = document.getElementById('email-form');
    const codeForm = document.getElementById('code-form');
    const email = document.getElementById('email');
    const code = document.getElementById('code');
    emailForm.addEventListener('submit', async (event) => {
      event.preventDefault();
      showMessage('');
      try {
        await post('/api/native-auth/request', {email: email.value.trim()});
        document.getElementById('code-hint').textContent =
          'A code is on its way to ' + email.value.trim() + '.';
        emailForm.hidden = true;
        codeForm.hidden = false;
        code.value = '';
        code.focus();
      } catch (error) {
        showMessage(error.message);
      }
    });
    codeForm.addEventListener('submit', async (event) => {
      event.preventDefault();
      showMessage('');
      try {
        save(await post('/api/native-auth/verify',
                        {email: email.value.trim(), code: code.value.trim()}));
        document.getElementById('sign-in').hidden = true;
        document.getElementById('main').hidden = false;
        onSignedIn();
      } catch (error) {
        showMessage(error.message);
      }
    });
    document.getElementById('other-email').addEventListener('click', showSignIn);
  }

  // Runs `ready` once there is a session, at once or after signing in.
  function start(ready) {
    onSignedIn = ready;
    wireSignIn();
    if (load()) {
      document.getElementById('main').hidden = false;
      ready();
    } else {
      showSignIn();
    }
  }

  return {api, start, showMessage, report};
})();
