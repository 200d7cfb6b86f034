'use strict';

// The account and what each of the user's installations of the agent last
// reported: its permissions, with a link that opens the system's page for
// each missing one, and the activation milestones it has reached.
(() => {
  const {api, start, report} = OrvendiSession;
  const byId = (id) => document.getElementById(id);

  const permissions = [
    {key: 'microphone', name: 'Microphone', link: 'microphone'},
    {key: 'accessibility', name: 'Accessibility', link: 'accessibility'},
    {key: 'input_monitoring', name: 'Input monitoring', link: 'input-monitoring'},
    {key: 'screen_recording', name: 'Screen recording', link: 'screen-recording'},
  ];

  const milestoneNames = {
    signed_in: 'Signed in',
    shortcut_ready: 'Shortcut ready',
    first_recording_started: 'First recording',
  };

  function element(tag, text, className) {
    const node = document.createElement(tag);
    if (text !== undefined) {
      node.textContent = text;
    }
    if (className) {
      node.className = className;
    }
    return node;
  }

  function timeText(iso) {
    return new Date(iso).toLocaleString();
  }

  function permissionTable(reported) {
    const table = element('table', undefined, 'permissions');
    const caption = element('caption', 'Permissions reported ' + timeText(reported.reported_at));
    caption.dataset.reportedAt = reported.reported_at;
    table.append(caption);
    const head = element('tr');
    head.append(element('th', 'Permission'), element('th', 'State'), element('th', 'Action'));
    head.querySelectorAll('th').forEach((cell) => cell.setAttribute('scope', 'col'));
    table.append(element('thead'));
    table.tHead.append(head);
    const body = element('tbody');
    for (const permission of permissions) {
      const granted = reported[permission.key] === true;
      const row = element('tr');
      row.dataset.permission = permission.link;
      const name = element('th', permission.name);
      name.setAttribute('scope', 'row');
      const state = element('td', granted ? 'Granted' : 'Missing', granted ? 'granted' : 'missing');
      const action = element('td');
      if (!granted) {
        const link = element('a', 'Open system settings');
        link.href = 'orvendi://permissions/' + permission.link;
        link.setAttribute('aria-label', 'Grant ' + permission.name.toLowerCase());
        action.append(link);
      }
      row.append(name, state, action);
      body.append(row);
    }
    table.append(body);
    return table;
  }

  function milestoneList(milestones) {
    if (milestones.length === 0) {
      return element('p', 'No milestones reached yet.', 'empty');
    }
    const list = element('ul', undefined, 'milestones');
    for (const milestone of milestones) {
      const item = element('li');
      item.dataset.event = milestone.event;
      item.append(element('span', milestoneNames[milestone.event] || milestone.event),
                  element('span', timeText(milestone.recorded_at), 'meta'));
      list.append(item);
    }
    return list;
  }

  function installationSection(installation, headingLevel) {
    const section = element('section', undefined, 'installation');
    const title = [installation.platform, installation.app_version].filter(Boolean).join(' · ');
    section.append(element(headingLevel, title || 'Agent'));
    section.append(element('p', 'Installation ' + installation.installation_id, 'meta'));
    section.append(installation.permissions
                     ? permissionTable(installation.permissions)
                     : element('p', 'No permission report yet.', 'empty'));
    section.append(element('h4', 'Milestones'));
    section.append(milestoneList(installation.milestones));
    return section;
  }

  async function load() {
    try {
      const [account, answer] =
        await Promise.all([api('GET', '/api/account'), api('GET', '/api/installations')]);
      byId('account-email').textContent = account.email;
      byId('speech-engine').textContent = account.speech_engine;
      // The server lists the installation heard from most recently first.
      const installations = answer.installations;
      byId('no-installation').hidden = installations.length > 0;
      byId('installations').replaceChildren(
        ...installations.map((installation) => installationSection(installation, 'h3')));
      document.body.dataset.loaded = 'true';
    } catch (error) {
      report(error);
    }
  }

  start(load);
})();
