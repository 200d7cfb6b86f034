'use strict';

// The dictation history: every note of the account, newest first, and the
// one chosen, with its text and the details the user may change.
(() => {
  const {api, start, showMessage, report} = OrvendiSession;
  const byId = (id) => document.getElementById(id);
  let notes = [];
  let selectedId = null;

  function timeText(iso) {
    return iso ? new Date(iso).toLocaleString() : '';
  }

  function matches(note, words) {
    const haystack = [note.title, note.project || '', note.tags.join(' '),
                      note.cleaned_text || '', note.text || ''].join('\n').toLowerCase();
    return words.every((word) => haystack.includes(word));
  }

  function visibleNotes() {
    const words = byId('search').value.toLowerCase().split(/\s+/).filter(Boolean);
    const archived = byId('show-archived').checked;
    return notes.filter((note) => Boolean(note.archived_at) === archived && matches(note, words));
  }

  function renderList() {
    const list = byId('notes');
    list.replaceChildren();
    const shown = visibleNotes();
    for (const note of shown) {
      const item = document.createElement('li');
      const button = document.createElement('button');
      button.type = 'button';
      button.className = 'note';
      button.dataset.id = note.id;
      if (note.id === selectedId) {
        button.setAttribute('aria-current', 'true');
      }
      const title = document.createElement('span');
      title.className = 'note-title';
      title.textContent = note.title || 'Untitled';
      const when = document.createElement('span');
      when.className = 'meta';
      when.textContent = timeText(note.created_at) + (note.project ? ' · ' + note.project : '');
      const preview = document.createElement('span');
      preview.className = 'preview';
      preview.textContent = note.cleaned_text || note.text || '';
      button.append(title, when, preview);
      button.addEventListener('click', () => select(note.id));
      item.append(button);
      list.append(item);
    }
    const empty = byId('list-empty');
    empty.hidden = shown.length > 0;
    empty.textContent = notes.length === 0 ? 'No dictations yet.' : 'Nothing matches.';
  }

  function selected() {
    return notes.find((note) => note.id === selectedId) || null;
  }

  function renderDetail() {
    const note = selected();
    byId('detail').hidden = !note;
    byId('no-selection').hidden = Boolean(note);
    if (!note) {
      return;
    }
    byId('note-title').textContent = note.title || 'Untitled';
    const facts = [timeText(note.created_at)];
    if (note.duration_secs) {
      facts.push(Math.round(note.duration_secs) + ' s');
    }
    if (note.project) {
      facts.push(note.project);
    }
    if (note.tags.length) {
      facts.push(note.tags.map((tag) => '#' + tag).join(' '));
    }
    if (note.archived_at) {
      facts.push('archived ' + timeText(note.archived_at));
    }
    byId('note-meta').textContent = facts.join(' · ');
    byId('note-text').textContent = note.cleaned_text || note.text;
    byId('note-raw').textContent = note.text;
    byId('archive').textContent = note.archived_at ? 'Unarchive' : 'Archive';
    byId('edit-title').value = note.title;
    byId('edit-project').value = note.project || '';
    byId('edit-tags').value = note.tags.join(', ');
  }

  function select(id) {
    selectedId = id;
    byId('raw').open = false;
    renderList();
    renderDetail();
  }

  function newestFirst(a, b) {
    return a.created_at < b.created_at ? 1 : a.created_at > b.created_at ? -1 : 0;
  }

  async function load() {
    try {
      const answer = await api('GET', '/api/notes?full=1');
      notes = answer.notes.sort(newestFirst);
      if (!selected()) {
        selectedId = null;
      }
      renderList();
      renderDetail();
      document.body.dataset.loaded = 'true';
    } catch (error) {
      report(error);
    }
  }

  function replace(updated) {
    notes = notes.map((note) => (note.id === updated.id ? updated : note));
    renderList();
    renderDetail();
  }

  async function change(fields, done) {
    try {
      const answer = await api('PATCH', '/api/notes/' + encodeURIComponent(selectedId), fields);
      replace(answer.note);
      showMessage(done);
    } catch (error) {
      report(error);
    }
  }

  async function copyText(text) {
    if (navigator.clipboard && window.isSecureContext) {
      await navigator.clipboard.writeText(text);
      return;
    }
    // Pages served over plain HTTP from another machine have no clipboard API.
    const area = document.createElement('textarea');
    area.value = text;
    document.body.append(area);
    area.select();
    const copied = document.execCommand('copy');
    area.remove();
    if (!copied) {
      throw new Error('The text could not be copied');
    }
  }

  function wire() {
    byId('search').addEventListener('input', renderList);
    byId('show-archived').addEventListener('change', () => {
      selectedId = null;
      renderList();
      renderDetail();
    });
    byId('copy').addEventListener('click', async () => {
      const note = selected();
      try {
        await copyText(note.cleaned_text || note.text);
        showMessage('Copied.');
      } catch (error) {
        showMessage(error.message);
      }
    });
    byId('archive').addEventListener('click', () => {
      const archive = !selected().archived_at;
      change({archived: archive}, archive ? 'Archived.' : 'Back in the history.');
    });
    byId('edit-form').addEventListener('submit', (event) => {
      event.preventDefault();
      const tags = byId('edit-tags').value.split(',').map((tag) => tag.trim()).filter(Boolean);
      change({title: byId('edit-title').value, project: byId('edit-project').value, tags},
             'Saved.');
    });
    const dialog = byId('confirm-delete');
    byId('delete').addEventListener('click', () => {
      dialog.returnValue = '';
      dialog.showModal();
    });
    dialog.addEventListener('close', async () => {
      if (dialog.returnValue !== 'delete') {
        return;
      }
      const id = selectedId;
      try {
        await api('DELETE', '/api/notes/' + encodeURIComponent(id));
        notes = notes.filter((note) => note.id !== id);
        selectedId = null;
        renderList();
        renderDetail();
        showMessage('Deleted.');
      } catch (error) {
        report(error);
      }
    });
  }

  wire();
  start(load);
})();
